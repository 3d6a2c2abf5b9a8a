#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace counter {

// The printed barcodes of a print run whose print log failed: what the run tells
// the user once it has stopped, and what goes to the program's log file when the
// user gives up recording them.
class UnrecordedLogs
{
public:
    struct Entry
    {
        int item = 0; // the checklist item, counted from 1
        QString barcode;
        QString reason;         // the database's own description of the last failure
        bool inDoubt = false;   // some commit of it got no answer: it may be recorded
        QDateTime failedAt;     // when it first failed
        qint64 journalLine = 0; // its line in the print journal; 0: none
    };

    bool isEmpty() const { return m_entries.isEmpty(); }
    const QList<Entry> &entries() const { return m_entries; }

    // A failed log of item's barcode (and its journal line); a later failure of the
    // same item updates the reason, and once in doubt an entry stays so.
    void add(int item, const QString &barcode, const QString &reason, bool inDoubt, qint64 journalLine = 0);
    // The item has been recorded.
    void remove(int item);

    // The question shown after the run: the barcodes, that their stickers were
    // printed but not recorded (or may be), the database's reason, whether exams
    // are left to print, and the offer to record them again.
    QString question(bool examsLeft) const;

    // Writes each entry (barcode, reason, time of the failure) to the program's log
    // (category norvane.ui) as given up.
    void writeGivenUp() const;

private:
    QList<Entry> m_entries;
};

} // namespace counter
