#pragma once

#include <QString>

namespace counter {

// The print run's questions, in the counter's words.

// Copies above this many per exam are confirmed before anything is printed.
inline constexpr int kCopiesAskedAbove = 10;

// The question for a copies count before the run, or empty when none is asked
// (1 to 10 copies):
//   111 copies, 5 exams -> "Print 111 stickers for each of the 5 checked exams (555 stickers)?"
//   0 copies, 5 exams   -> "Record the 5 checked exams as collected without printing stickers?"
QString copiesQuestion(int copies, int checkedExams);

// Asked when Reset or Esc is pressed while stickers print.
QString stopPrintingQuestion();

// Asked when the printer took none of an exam's stickers within the printer check's
// bound: they wait in the print queue. The answers, the safe one first (the default):
// cancel them (nothing recorded, the exam stays checked) or leave them (they print
// when the printer answers again, and the exam is recorded as printed).
QString printerNotAnsweringQuestion(const QString &printer, int stickers, const QString &barcode);
QString cancelStickersAnswer();
QString leaveStickersAnswer();

} // namespace counter
