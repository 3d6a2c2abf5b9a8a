#include "counter/journalquestions.h"

#include "counter/counterlogging.h"

#include <QCoreApplication>
#include <QStringList>

namespace counter {

namespace {

// A question names at most this many exams, then how many more.
constexpr int kListedAtMost = 20;

QStringList capped(const QStringList &lines)
{
    if (lines.size() <= kListedAtMost)
        return lines;
    QStringList shown = lines.mid(0, kListedAtMost);
    shown << QCoreApplication::translate("counter::JournalQuestions", "... and %1 more.")
                 .arg(lines.size() - kListedAtMost);
    return shown;
}

QDateTime printedAt(const journal::Line &line)
{
    return line.printed.isValid() ? line.printed : line.time;
}

} // namespace

QString whenText(const QDateTime &when, const QDateTime &now)
{
    const QDate day = when.toLocalTime().date();
    const QString time = when.toLocalTime().toString(QStringLiteral("HH:mm"));
    const QDate today = now.toLocalTime().date();
    if (day == today)
        return QCoreApplication::translate("counter::JournalQuestions", "at %1", "at a time of today").arg(time);
    if (day == today.addDays(-1))
        return QCoreApplication::translate("counter::JournalQuestions", "yesterday at %1").arg(time);
    return QCoreApplication::translate("counter::JournalQuestions", "on %1 at %2").arg(day.toString(Qt::ISODate), time);
}

QString reprintQuestion(const QList<PrintedBefore> &exams, const QDateTime &now)
{
    QStringList lines;
    for (const PrintedBefore &e : exams) {
        lines << (e.stickers == 1 ? QCoreApplication::translate("counter::JournalQuestions",
                                                                "%1 (%2): already printed here %3, 1 sticker.")
                                  : QCoreApplication::translate("counter::JournalQuestions",
                                                                "%1 (%2): already printed here %3, %n stickers.",
                                                                nullptr, e.stickers))
                     .arg(e.barcode, e.exam, whenText(e.last, now));
    }
    return capped(lines).join(u'\n') + QStringLiteral("\n\n")
        + QCoreApplication::translate("counter::JournalQuestions", "Print again? No prints and records nothing.");
}

QString unrecordedOffer(const QList<journal::Line> &lines, const QDateTime &now)
{
    QStringList listed;
    bool anyDoubtful = false;
    for (const journal::Line &l : lines) {
        const bool doubtful = journal::mayBeRecorded(l.state);
        anyDoubtful = anyDoubtful || doubtful;
        listed << (doubtful ? QCoreApplication::translate("counter::JournalQuestions",
                                                          "%1, %2, %3: printed %4 (may already be recorded)")
                            : QCoreApplication::translate("counter::JournalQuestions", "%1, %2, %3: printed %4"))
                      .arg(l.barcode, l.patientName, l.exam, whenText(printedAt(l), now));
    }
    QStringList paragraphs;
    paragraphs << QCoreApplication::translate(
                      "counter::JournalQuestions",
                      "These stickers were printed on this workstation and are not recorded in the "
                      "laboratory database:\n")
            + capped(listed).join(u'\n');
    if (anyDoubtful)
        paragraphs << QCoreApplication::translate(
            "counter::JournalQuestions",
            "Those that may already be recorded were being recorded when the connection was "
            "lost or Norvane ended: the laboratory database may hold them.");
    QString ask = QCoreApplication::translate("counter::JournalQuestions", "Record them now? Nothing is printed.");
    if (anyDoubtful)
        ask += QLatin1Char(' ')
            + QCoreApplication::translate("counter::JournalQuestions",
                                          "Those that may already be recorded could then appear twice.");
    ask += QLatin1Char(' ')
        + QCoreApplication::translate("counter::JournalQuestions",
                                      "No keeps them for later: they are offered again, and the log file lists them.");
    paragraphs << ask;
    return paragraphs.join(QStringLiteral("\n\n"));
}

void writeKeptForLater(const QList<journal::Line> &lines)
{
    for (const journal::Line &l : lines) {
        qCWarning(lcCounter,
                  "Printed but not recorded (kept in the print journal for later; enter by hand%s): barcode %s, "
                  "patient %s, exam %s, printed at %s",
                  journal::mayBeRecorded(l.state) ? ", after checking: it may already be recorded" : "",
                  qUtf8Printable(l.barcode), qUtf8Printable(l.patientName), qUtf8Printable(l.exam),
                  qUtf8Printable(printedAt(l).toString(Qt::ISODate)));
    }
}

} // namespace counter
