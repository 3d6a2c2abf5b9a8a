#include "labdb/datetext.h"

#include "labdb/session.h"

#include <QRegularExpression>

#include <array>

namespace labdb {

namespace {

[[noreturn]] void cannotConvert()
{
    throw SqlError(241, QStringLiteral("Conversion failed when converting date and/or time from character string."), 16,
                   1);
}

[[noreturn]] void outOfRange()
{
    throw SqlError(
        242,
        QStringLiteral(
            "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value."),
        16, 3);
}

// 1 to 12 for an English month name or its first three letters, 0 otherwise.
int monthNumber(const QString &word)
{
    static const std::array<QLatin1String, 12> names = {
        QLatin1String("january"),   QLatin1String("february"), QLatin1String("march"),    QLatin1String("april"),
        QLatin1String("may"),       QLatin1String("june"),     QLatin1String("july"),     QLatin1String("august"),
        QLatin1String("september"), QLatin1String("october"),  QLatin1String("november"), QLatin1String("december")};
    const QString w = word.toLower();
    for (int i = 0; i < 12; ++i) {
        if (w == names[i] || (w.size() == 3 && names[i].startsWith(w)))
            return i + 1;
    }
    return 0;
}

// Two-digit years: 00 to 49 are 2000 to 2049, 50 to 99 are 1950 to 1999.
int fullYear(const QString &digits)
{
    const int y = digits.toInt();
    if (digits.size() > 2)
        return y;
    return y < 50 ? 2000 + y : 1900 + y;
}

struct Fields
{
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

// The time after the date (or alone): "14:05", "14:05:33", "14:05:33.997",
// "14:05:33:997", each with an optional AM/PM, or "2PM". False when it is
// not a time; throws 242 for a time out of range.
bool readTime(const QString &text, Fields &f)
{
    static const QRegularExpression time(
        QStringLiteral("^(\\d{1,2})(?::(\\d{1,2})(?::(\\d{1,2})(?:[.:](\\d{1,9}))?)?)?\\s*([AaPp][Mm])?$"));
    const QRegularExpressionMatch m = time.match(text);
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(5) == 0))
        return false;
    int hour = m.captured(1).toInt();
    f.minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    f.second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString fraction = m.captured(4);
    // ".9" is 900 ms after a full stop; after a colon the digits are milliseconds.
    if (!fraction.isEmpty()) {
        const bool colon = text.at(m.capturedStart(4) - 1) == QLatin1Char(':');
        f.msec = colon ? fraction.toInt() : QStringLiteral("%1").arg(fraction.left(3), -3, QLatin1Char('0')).toInt();
        if (colon && fraction.size() > 3)
            outOfRange();
    }
    const QString half = m.captured(5).toUpper();
    if (!half.isEmpty()) {
        if (hour > 12)
            outOfRange();
        if (half == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (half == QLatin1String("PM") && hour < 12)
            hour += 12;
    }
    if (hour > 23 || f.minute > 59 || f.second > 59 || f.msec > 999)
        outOfRange();
    f.hour = hour;
    return true;
}

// A numeric date in the session's order; the fields as written.
void placeNumeric(const QString &order, const QString &a, const QString &b, const QString &c, Fields &f)
{
    QString year, month, day;
    if (a.size() >= 3) {
        // A year written first: year-month-day where the order puts the month
        // before the day, year-day-month where it puts the day first.
        const bool monthFirst = order.indexOf(QLatin1Char('m')) < order.indexOf(QLatin1Char('d'));
        year = a;
        month = monthFirst ? b : c;
        day = monthFirst ? c : b;
    } else {
        const QString parts[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            switch (order.at(i).toLatin1()) {
            case 'y': year = parts[i]; break;
            case 'm': month = parts[i]; break;
            default: day = parts[i]; break;
            }
        }
    }
    if (year.size() == 3 || month.size() > 2 || day.size() > 2)
        cannotConvert();
    f.year = fullYear(year);
    f.month = month.toInt();
    f.day = day.toInt();
}

} // namespace

bool isDateOrder(const QString &order)
{
    static const QStringList orders = {QStringLiteral("mdy"), QStringLiteral("dmy"), QStringLiteral("ymd"),
                                       QStringLiteral("ydm"), QStringLiteral("myd"), QStringLiteral("dym")};
    return orders.contains(order.toLower());
}

QDateTime readDateTime(const QString &input, const QString &dateOrder)
{
    const QString order = isDateOrder(dateOrder) ? dateOrder.toLower() : QStringLiteral("mdy");
    const QString text = input.trimmed();
    // Only ASCII letters, digits, blanks and the separators: other digits (Arabic-
    // Indic, full-width) and letters are not read.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ascii = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
        if (!ascii && !QStringView(u" /-.:,").contains(c))
            cannotConvert();
    }
    if (text.isEmpty())
        return QDateTime(QDate(1900, 1, 1), QTime(0, 0));

    Fields f;
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}:\\d{2}(?::\\d{2}(?:\\.\\d{1,3})?)?)$"));
    static const QRegularExpression numeric(QStringLiteral("^(\\d{1,4})([/.-])(\\d{1,4})\\2(\\d{1,4})(?:\\s+(.*))?$"));
    static const QRegularExpression unseparated(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?:\\s+(.*))?$"));
    static const QRegularExpression monthFirst(
        QStringLiteral("^([A-Za-z]+)\\s*(\\d{1,2}),?\\s+(\\d{2,4})(?:\\s+(.*))?$"));
    static const QRegularExpression dayFirst(
        QStringLiteral("^(\\d{1,2})\\s*([A-Za-z]+),?\\s*(\\d{2,4})(?:\\s+(.*))?$"));
    QString rest;
    QRegularExpressionMatch m;
    if ((m = iso.match(text)).hasMatch()) {
        f.year = m.captured(1).toInt();
        f.month = m.captured(2).toInt();
        f.day = m.captured(3).toInt();
        rest = m.captured(4);
    } else if ((m = numeric.match(text)).hasMatch()) {
        placeNumeric(order, m.captured(1), m.captured(3), m.captured(4), f);
        rest = m.captured(5);
    } else if ((m = unseparated.match(text)).hasMatch()) {
        f.year = m.captured(1).toInt();
        f.month = m.captured(2).toInt();
        f.day = m.captured(3).toInt();
        rest = m.captured(4);
    } else if ((m = monthFirst.match(text)).hasMatch() && monthNumber(m.captured(1))) {
        f.month = monthNumber(m.captured(1));
        f.day = m.captured(2).toInt();
        f.year = fullYear(m.captured(3));
        rest = m.captured(4);
    } else if ((m = dayFirst.match(text)).hasMatch() && monthNumber(m.captured(2))) {
        f.day = m.captured(1).toInt();
        f.month = monthNumber(m.captured(2));
        f.year = fullYear(m.captured(3));
        rest = m.captured(4);
    } else if (readTime(text, f)) {
        return QDateTime(QDate(1900, 1, 1), QTime(f.hour, f.minute, f.second, f.msec));
    } else {
        cannotConvert();
    }
    if (!rest.isEmpty() && !readTime(rest.trimmed(), f))
        cannotConvert();
    if (f.year < 1753 || f.year > 9999 || !QDate::isValid(f.year, f.month, f.day))
        outOfRange();
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second, f.msec));
}

} // namespace labdb
