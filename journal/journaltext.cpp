#include "journal/journaltext.h"

#include <QStringList>

namespace journal {

namespace {

QString field(QString value)
{
    for (QChar &c : value) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return value;
}

QString timeField(const QDateTime &time)
{
    return time.isValid() ? time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate) : QString();
}

} // namespace

QString journalText(const QList<Line> &lines)
{
    QString text = QStringLiteral("time\tbarcode\tpatient\thospital number\texam\tcopies\tprinted\trecorded\toperator"
                                  "\tstate\tchanged\treason\tnumber\tworkstation\n");
    for (const Line &l : lines) {
        const QStringList fields{timeField(l.time),       field(l.barcode),      field(l.patientName),
                                 field(l.hospitalNumber), field(l.exam),         QString::number(l.copies),
                                 timeField(l.printed),    timeField(l.recorded), field(l.operatorName),
                                 stateName(l.state),      timeField(l.changed),  field(l.reason),
                                 field(l.number),         field(l.workstation)};
        text += fields.join(u'\t') + u'\n';
    }
    return text;
}

QDateTime sinceTime(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() == 10) {
        const QDate day = QDate::fromString(t, Qt::ISODate);
        return day.isValid() ? day.startOfDay() : QDateTime();
    }
    if (t.size() < 16 || t.at(10) != u'T')
        return QDateTime();
    const QDateTime time = QDateTime::fromString(t, Qt::ISODate);
    return time.isValid() ? time : QDateTime();
}

} // namespace journal
