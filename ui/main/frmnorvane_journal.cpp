// The print journal in the main window: the offer of the barcodes printed and not
// recorded (once the window first shows, and after the first command that succeeds
// after a failure), Today's stickers on F9, and the notice that the program's own
// records cannot be kept.

#include "ui/main/frmnorvane.h"

#include "counter/journalquestions.h"
#include "journal/printjournal.h"
#include "ui/journal/todaysstickersdialog.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/uilogging.h"
#include "widgets/messagebox.h"
#include "widgets/vkframe.h"

#include <QPointer>
#include <QScopeGuard>
#include <QStringList>
#include <QTimer>

namespace ui {

namespace {

QString barcodesOf(const QList<journal::Line> &lines)
{
    QStringList barcodes;
    for (const journal::Line &l : lines)
        barcodes << l.barcode;
    return barcodes.join(QStringLiteral(", "));
}

} // namespace

void frmNorvane::setStorageNotice(std::function<QString()> take)
{
    m_storageNotice = std::move(take);
}

frmNorvane::CommandResult frmNorvane::printRunResult(const counter::PrintRun::Outcome &outcome)
{
    // Unrecorded logs left after the user's answers: the database still fails.
    if (!outcome.unrecorded.isEmpty())
        return CommandResult::DatabaseFailed;
    using Status = counter::PrintRun::Outcome::Status;
    if (outcome.recorded > 0 || outcome.status == Status::LogFailed || outcome.status == Status::LogInDoubt)
        return CommandResult::DatabaseAnswered;
    return CommandResult::NoDatabase;
}

void frmNorvane::afterCommand(ExclusiveRun &run, CommandResult result)
{
    tellStorageNotice(run);
    switch (result) {
    case CommandResult::DatabaseFailed: m_offerPending = true; return;
    case CommandResult::NoDatabase: return;
    case CommandResult::DatabaseAnswered:
        if (!m_offerPending)
            return;
        m_offerPending = false;
        offerUnrecorded(run, m_printRun.unrecordedInJournal());
        return;
    }
}

void frmNorvane::reviewAtStart()
{
    // Never inside a command that yields (a search started at once, a print run).
    if (ExclusiveRun::isRunning(this) || m_printRunning) {
        QTimer::singleShot(50, this, &frmNorvane::reviewAtStart);
        return;
    }
    const QString notice = m_storageNotice ? m_storageNotice() : QString();
    QList<journal::Line> lines = m_printRun.unrecordedInJournal();
    if (notice.isEmpty() && lines.isEmpty())
        return;
    ExclusiveRun run(this);
    // Keys typed meanwhile (a scan) go to the number box, as after a search.
    const auto keysToNumber = qScopeGuard([this, &run] { passHeldKeysToNumber(run); });
    if (!notice.isEmpty()) {
        run.holdPendingInput();
        widgets::MsgBox(notice);
    }
    offerUnrecorded(run, std::move(lines));
}

void frmNorvane::offerUnrecorded(ExclusiveRun &run, QList<journal::Line> lines)
{
    QStringList reasons;
    while (!lines.isEmpty()) {
        QString question = counter::unrecordedOffer(lines, QDateTime::currentDateTime());
        if (!reasons.isEmpty())
            question.prepend(tr("They could not be recorded: %1\n\n").arg(reasons.join(u'\n')));
        qCInfo(lcUi, "Offered to record %lld printed barcodes not recorded: %s", qint64(lines.size()),
               qUtf8Printable(barcodesOf(lines)));
        run.holdPendingInput();
        if (!widgets::AskYesNo(question, widgets::QuestionIcon::Warning)) {
            counter::writeKeptForLater(lines);
            return;
        }
        reasons.clear();
        for (const journal::Line &line : std::as_const(lines)) {
            const counter::PrintRun::JournalRecord record = m_printRun.recordJournalLine(line, [&run] { run.yield(); });
            using Status = counter::PrintRun::JournalRecord::Status;
            if (record.status == Status::Recorded)
                qCInfo(lcUi, "Recorded from the print journal: barcode %s", qUtf8Printable(line.barcode));
            else if (record.status != Status::Gone && !reasons.contains(record.reason))
                reasons << record.reason;
        }
        if (reasons.isEmpty())
            return;
        // Still failing: offered again, with the reason, as often as asked; and once
        // more after the next command that succeeds.
        m_offerPending = true;
        lines = m_printRun.unrecordedInJournal();
    }
}

void frmNorvane::tellStorageNotice(ExclusiveRun &run)
{
    if (!m_storageNotice)
        return;
    const QString notice = m_storageNotice();
    if (notice.isEmpty())
        return;
    run.holdPendingInput();
    widgets::MsgBox(notice);
}

void frmNorvane::showTodaysStickers()
{
    // Only while the window awaits a number: never over a patient or a command.
    if (!m_printRun.journal() || !fraSearch->isEnabled() || ExclusiveRun::isRunning(this) || m_printRunning)
        return;
    QPointer<QWidget> shown;
    bool skipping = false; // after a failure, the other lines of the same Record now
    TodaysStickersDialog dialog(
        *m_printRun.journal(),
        [this, &shown, &skipping](const journal::Line &line) {
            if (skipping)
                return;
            ExclusiveRun run(shown ? shown.data() : static_cast<QWidget *>(this));
            const counter::PrintRun::JournalRecord record = m_printRun.recordJournalLine(line, [&run] { run.yield(); });
            using Status = counter::PrintRun::JournalRecord::Status;
            if (record.status == Status::Recorded || record.status == Status::Gone) {
                if (record.status == Status::Recorded)
                    qCInfo(lcUi, "Recorded from Today's stickers: barcode %s", qUtf8Printable(line.barcode));
                return;
            }
            // With the database failing each further line would wait as long: the
            // others selected are left as they are, and told so.
            m_offerPending = true;
            skipping = true;
            if (shown)
                QTimer::singleShot(0, shown.data(), [&skipping] { skipping = false; });
            run.holdPendingInput();
            widgets::MsgBox(tr("%1 could not be recorded: %2\n\nThe other lines selected were left as "
                               "they are.")
                                .arg(line.barcode, record.reason));
        },
        this);
    shown = &dialog;
    dialog.exec();
}

} // namespace ui
