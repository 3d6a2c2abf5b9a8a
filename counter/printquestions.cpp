#include "counter/printquestions.h"

#include <QCoreApplication>

namespace counter {

QString copiesQuestion(int copies, int checkedExams)
{
    if (copies >= 1 && copies <= kCopiesAskedAbove)
        return QString();
    if (copies < 1) {
        // Copies of 0 or less print nothing, yet every checked exam is logged.
        return checkedExams == 1
            ? QCoreApplication::translate("counter::PrintQuestions",
                                          "Record the checked exam as collected without printing stickers?")
            : QCoreApplication::translate("counter::PrintQuestions",
                                          "Record the %n checked exams as collected without printing stickers?",
                                          nullptr, checkedExams);
    }
    if (checkedExams == 1)
        return QCoreApplication::translate("counter::PrintQuestions", "Print %1 stickers for the checked exam?")
            .arg(copies);
    return QCoreApplication::translate("counter::PrintQuestions",
                                       "Print %1 stickers for each of the %2 checked exams (%3 stickers)?")
        .arg(copies)
        .arg(checkedExams)
        .arg(qint64(copies) * checkedExams);
}

QString stopPrintingQuestion()
{
    return QCoreApplication::translate("counter::PrintQuestions",
                                       "Stop printing once the stickers of the exam now printing are done? "
                                       "The exams not printed yet stay checked.");
}

QString printerNotAnsweringQuestion(const QString &printer, int stickers, const QString &barcode)
{
    const QString waiting = stickers == 1
        ? QCoreApplication::translate("counter::PrintQuestions", "the sticker of %1 is").arg(barcode)
        : QCoreApplication::translate("counter::PrintQuestions", "the %n stickers of %1 are", nullptr, stickers)
              .arg(barcode);
    return QCoreApplication::translate(
               "counter::PrintQuestions",
               "The label printer \"%1\" is not answering: %2 waiting in its print queue. Check that the "
               "printer is switched on, connected and has labels.\n\n"
               "%3: they are taken out of the queue; %4 is not recorded and stays checked, to print "
               "again.\n"
               "%5: they print when the printer answers again, and %4 is recorded as printed.")
        .arg(printer, waiting, cancelStickersAnswer(), barcode, leaveStickersAnswer());
}

QString cancelStickersAnswer()
{
    //: The answer that takes the stickers out of the print queue.
    return QCoreApplication::translate("counter::PrintQuestions", "Cancel them");
}

QString leaveStickersAnswer()
{
    //: The answer that leaves the stickers in the print queue, to print when the printer answers.
    return QCoreApplication::translate("counter::PrintQuestions", "Leave them");
}

} // namespace counter
