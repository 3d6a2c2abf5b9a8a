#pragma once

#include "journal/journalline.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace counter {

// The questions that come from the print journal, in the counter's words.

// A checked exam whose barcode the journal holds as printed on this workstation
// within the reprint warning's hours.
struct PrintedBefore
{
    QString barcode;
    QString exam;     // the checklist item's instrument
    QDateTime last;   // when the printer took the latest of its stickers
    int stickers = 0; // all its stickers within the hours
};

// Asked before a run that would print such exams again; No prints and records
// nothing. One line per exam, then the question:
//   "T1000001C (HEMA-1): already printed here at 08:15, 2 stickers.
//
//    Print again? No prints and records nothing."
// A time of another day than now says which ("yesterday at 16:40").
QString reprintQuestion(const QList<PrintedBefore> &exams, const QDateTime &now);

// Offered at start-up and after the first command that succeeds after a failure:
// the journal's lines printed and not recorded (barcode, patient, exam, when
// printed), those that may already be recorded marked and warned about, and the
// question "Record them now?"; Yes records them without printing.
QString unrecordedOffer(const QList<journal::Line> &lines, const QDateTime &now);

// The lines offered and kept for later (No), each written to the program's log
// (category norvane.ui) as printed but not recorded, with its patient and time.
void writeKeptForLater(const QList<journal::Line> &lines);

// "at 08:15", "yesterday at 16:40", "on 2026-12-08 at 16:40": when, said from now.
QString whenText(const QDateTime &when, const QDateTime &now);

} // namespace counter
