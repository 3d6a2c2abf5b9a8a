#pragma once

#include "journal/journalline.h"

#include <QDate>
#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;

namespace journal {
class PrintJournal;
}

namespace ui {

class JournalLinesModel;

// "Today's stickers": the print journal's lines of one day on this workstation
// (time, barcode, patient, hospital number, exam, copies, printed, recorded,
// operator, state), newest last. Lines printed and not recorded can be recorded
// from here with Record now (Alt+R), which hands each selected one to the record
// function the window gives (the print log, without printing) and then reads the
// lines again; a line that may already be recorded is recorded only after a
// question that warns it could then appear twice.
//
// Keys: arrows (and Shift for more lines) move in the list, Alt+R records, Esc
// closes. Enter does nothing: a scanner's Enter never records a line.
class TodaysStickersDialog : public QDialog
{
    Q_OBJECT

public:
    // Records one line and writes its outcome to the journal (claim, log, state).
    using RecordFunction = std::function<void(const journal::Line &line)>;

    TodaysStickersDialog(journal::PrintJournal &journal, RecordFunction record, QWidget *parent = nullptr,
                         const QDate &day = QDate::currentDate());

    QDate day() const { return m_day; }

    // Reads the day's lines again, keeping the line that was current.
    void refresh();

private:
    void setupControls();
    void recordSelected();
    void updateActions();
    QList<journal::Line> selectedRecordable() const;

    journal::PrintJournal &m_journal;
    RecordFunction m_record;
    QDate m_day;

    // Controls
    QLabel *m_dayLabel = nullptr;
    QLabel *m_problemLabel = nullptr;
    QTableView *m_table = nullptr;
    JournalLinesModel *m_model = nullptr;
    QPushButton *m_recordButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

} // namespace ui
