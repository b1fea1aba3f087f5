#include "gui/qt_date_time_formatter.h"

#include "gui/text_convert.h"

#include <QDate>
#include <QTime>

namespace swapwright::gui {

QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) {
            // The blanks in front of the zone go with it.
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

QtDateTimeFormatter::QtDateTimeFormatter(const QLocale& locale)
    : m_locale(locale), m_timeFormat(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))) {
    if (m_timeFormat.isEmpty())
        m_timeFormat = QStringLiteral("H:mm:ss");
}

std::string QtDateTimeFormatter::shortDate(TDateTime value) const {
    const DateTimeParts p = decodeDateTime(value);
    return toBytes(m_locale.toString(QDate(p.year, p.month, p.day), QLocale::ShortFormat));
}

std::string QtDateTimeFormatter::longTime(TDateTime value) const {
    const DateTimeParts p = decodeDateTime(value);
    return toBytes(m_locale.toString(QTime(p.hour, p.minute, p.second, p.millisecond), m_timeFormat));
}

} // namespace swapwright::gui
