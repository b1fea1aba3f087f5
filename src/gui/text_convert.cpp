#include "gui/text_convert.h"

#include "core/base/text.h"

#include <QStringDecoder>

#include <algorithm>

namespace swapwright::gui {

QString toDisplayText(std::string_view bytes) {
    // Stateless: an incomplete sequence at the end counts as an error; a byte order mark stays a character.
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

std::string toEditedBytes(const QString& text, std::string_view original) {
    if (text == toDisplayText(original))
        return std::string(original);
    if (!swapwright::text::isValidUtf8(original)) {
        const bool fitsLatin1 = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
        if (fitsLatin1) {
            const QByteArray latin1 = text.toLatin1();
            return std::string(latin1.constData(), static_cast<std::size_t>(latin1.size()));
        }
    }
    return toBytes(text);
}

} // namespace swapwright::gui
