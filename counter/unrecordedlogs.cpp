#include "counter/unrecordedlogs.h"

#include "counter/counterlogging.h"

#include <QCoreApplication>
#include <QStringList>

namespace counter {

void UnrecordedLogs::add(int item, const QString &barcode, const QString &reason, bool inDoubt, qint64 journalLine)
{
    for (Entry &e : m_entries) {
        if (e.item == item) {
            e.reason = reason;
            e.inDoubt = e.inDoubt || inDoubt;
            return;
        }
    }
    m_entries.append({item, barcode, reason, inDoubt, QDateTime::currentDateTime(), journalLine});
}

void UnrecordedLogs::remove(int item)
{
    m_entries.removeIf([item](const Entry &e) { return e.item == item; });
}

QString UnrecordedLogs::question(bool examsLeft) const
{
    QStringList failed, doubtful, reasons;
    for (const Entry &e : m_entries) {
        (e.inDoubt ? doubtful : failed).append(e.barcode);
        if (!reasons.contains(e.reason))
            reasons.append(e.reason);
    }

    QStringList paragraphs;
    if (!failed.isEmpty())
        paragraphs << QCoreApplication::translate(
                          "counter::UnrecordedLogs",
                          "The stickers of %1 were printed but not recorded in the laboratory database.")
                          .arg(failed.join(QStringLiteral(", ")));
    if (!doubtful.isEmpty())
        paragraphs << QCoreApplication::translate(
                          "counter::UnrecordedLogs",
                          "The stickers of %1 were printed, but the connection was lost while the laboratory "
                          "database was recording them: they may already be recorded.")
                          .arg(doubtful.join(QStringLiteral(", ")));
    paragraphs << QCoreApplication::translate("counter::UnrecordedLogs", "The database said: %1")
                      .arg(reasons.join(QStringLiteral("\n")));
    if (examsLeft)
        paragraphs << QCoreApplication::translate("counter::UnrecordedLogs",
                                                  "The exams not printed yet are still checked.");
    QString ask = QCoreApplication::translate("counter::UnrecordedLogs",
                                              "Try to record them again? Nothing is printed again.");
    if (!doubtful.isEmpty())
        ask += QLatin1Char(' ')
            + QCoreApplication::translate("counter::UnrecordedLogs",
                                          "Those that may already be recorded could then appear twice.");
    paragraphs << ask;
    return paragraphs.join(QStringLiteral("\n\n"));
}

void UnrecordedLogs::writeGivenUp() const
{
    for (const Entry &e : m_entries) {
        qCWarning(lcCounter, "Printed but not recorded (given up; enter by hand%s): barcode %s, failed at %s: %s",
                  e.inDoubt ? ", after checking: it may already be recorded" : "", qUtf8Printable(e.barcode),
                  qUtf8Printable(e.failedAt.toString(Qt::ISODate)), qUtf8Printable(e.reason));
    }
}

} // namespace counter
