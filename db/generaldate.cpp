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

// Applies edit to the parts of a format outside its quoted literals ('...').
QString editUnquoted(const QString &format, const std::function<QString(QString)> &edit)
{
    const QStringList parts = format.split(QLatin1Char('\''));
    QStringList edited;
    for (qsizetype i = 0; i < parts.size(); ++i)
        edited.append(i % 2 == 0 ? edit(parts.at(i)) : parts.at(i));
    return edited.join(QLatin1Char('\''));
}

// Long time without its time zone and without fractions of a second. The zone
// goes with what only frames it: "H:mm:ss (t)" (es_ES), "APh:mm:ss [t]",
// "HH:mm:ss, t", "t HH:mm:ss" all leave the time alone.
QString longTimeFormat(const QLocale &locale)
{
    static const QRegularExpression bracketedZone(QStringLiteral("\\s*[(\\[]\\s*t+\\s*[)\\]]"));
    static const QRegularExpression zoneAfter(QStringLiteral(",?\\s*t+"));
    static const QRegularExpression zoneFirst(QStringLiteral("^t+\\s*"));
    static const QRegularExpression fraction(QStringLiteral("[.,]z+"));
    static const QRegularExpression blanks(QStringLiteral("\\s{2,}"));
    const QString format = editUnquoted(locale.timeFormat(QLocale::LongFormat), [](QString part) {
        part.remove(fraction);
        part.remove(bracketedZone);
        part.remove(zoneFirst);
        part.remove(zoneAfter);
        part.replace(blanks, QStringLiteral(" "));
        return part;
    });
    return format.trimmed();
}

// The general date form uses plain blanks throughout: some locales separate the
// time from AM/PM with a narrow no-break space.
QString plainBlanks(QString text)
{
    text.replace(QChar(0x202F), QLatin1Char(' '));
    text.replace(QChar(0x00A0), QLatin1Char(' '));
    return text;
}

} // namespace

QString generalDate(const QDateTime &value, const QLocale &locale)
{
    const QTime time = value.time();
    const QString date = locale.toString(value.date(), shortDateFormat(locale));
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return plainBlanks(date + QLatin1Char(' ') + generalTime(time, locale));
}

QString generalDate(const QDateTime &value)
{
    return generalDate(value, generalDateLocale());
}

QString generalTime(const QTime &value, const QLocale &locale)
{
    return plainBlanks(locale.toString(QTime(value.hour(), value.minute(), value.second()), longTimeFormat(locale)));
}

namespace {
std::optional<QLocale> &configuredLocale()
{
    static std::optional<QLocale> locale;
    return locale;
}
} // namespace

QLocale generalDateLocale()
{
    return configuredLocale().value_or(QLocale());
}

void setGeneralDateLocale(const std::optional<QLocale> &locale)
{
    configuredLocale() = locale;
}

} // namespace db
