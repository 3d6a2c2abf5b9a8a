#include "db/generaldate.h"

#include <QRegularExpression>

namespace db {

namespace {

// Short date with the year widened to four digits.
QString shortDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

// Long time without its time zone and without fractions of a second.
QString longTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    static const QRegularExpression fraction(QStringLiteral("[.,]z+"));
    format.remove(fraction);
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace

QString generalDate(const QDateTime &value, const QLocale &locale)
{
    const QTime time = value.time();
    const QString date = locale.toString(value.date(), shortDateFormat(locale));
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    QString text = date + QLatin1Char(' ')
        + locale.toString(QTime(time.hour(), time.minute(), time.second()), longTimeFormat(locale));
    // Some locales separate the time from AM/PM with a narrow no-break space;
    // the general date form uses plain blanks throughout.
    text.replace(QChar(0x202F), QLatin1Char(' '));
    text.replace(QChar(0x00A0), QLatin1Char(' '));
    return text;
}

} // namespace db
