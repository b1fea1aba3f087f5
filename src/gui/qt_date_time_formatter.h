#pragma once

#include "core/base/datetime.h"

#include <QLocale>
#include <QString>

// The core's date and time texts in the user's locale as Qt knows it: the short date format and
// the long time format (without the time zone, which means nothing for a duration).
namespace swapwright::gui {

class QtDateTimeFormatter final : public IDateTimeFormatter {
public:
    explicit QtDateTimeFormatter(const QLocale& locale = QLocale::system());

    std::string shortDate(TDateTime value) const override;
    std::string longTime(TDateTime value) const override;

    const QString& timeFormat() const noexcept { return m_timeFormat; }

private:
    QLocale m_locale;
    QString m_timeFormat;
};

// A time format with its time zone fields (unquoted "t") and the blanks around them removed.
QString withoutTimeZone(const QString& format);

} // namespace swapwright::gui
