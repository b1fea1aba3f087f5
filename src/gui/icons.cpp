#include "gui/icons.h"

#include <QFile>
#include <QString>

namespace swapwright::gui::icons {

QIcon icon(std::string_view name) {
    if (name == ActionPrint)
        name = BtnPrint;
    else if (name == ActionSetFont)
        name = BtnChangeFont;
    const QString path =
        QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace swapwright::gui::icons
