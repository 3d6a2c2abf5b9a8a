#include "counter/printquestions.h"

namespace counter {

QString copiesQuestion(int copies, int checkedExams)
{
    if (copies >= 1 && copies <= kCopiesAskedAbove)
        return QString();
    if (copies < 1) {
        // Copies of 0 or less print nothing, yet every checked exam is logged.
        return checkedExams == 1
            ? QStringLiteral("Record the checked exam as collected without printing stickers?")
            : QStringLiteral("Record the %1 checked exams as collected without printing stickers?").arg(checkedExams);
    }
    if (checkedExams == 1)
        return QStringLiteral("Print %1 stickers for the checked exam?").arg(copies);
    return QStringLiteral("Print %1 stickers for each of the %2 checked exams (%3 stickers)?")
        .arg(copies)
        .arg(checkedExams)
        .arg(qint64(copies) * checkedExams);
}

QString stopPrintingQuestion()
{
    return QStringLiteral("Stop printing once the stickers of the exam now printing are done? "
                          "The exams not printed yet stay checked.");
}

QString printerNotAnsweringQuestion(const QString &printer, int stickers, const QString &barcode)
{
    const QString waiting = stickers == 1 ? QStringLiteral("the sticker of %1 is").arg(barcode)
                                          : QStringLiteral("the %1 stickers of %2 are").arg(stickers).arg(barcode);
    return QStringLiteral("The label printer \"%1\" is not answering: %2 waiting in its print queue. Check that the "
                          "printer is switched on, connected and has labels.\n\n"
                          "%3: they are taken out of the queue; %4 is not recorded and stays checked, to print "
                          "again.\n"
                          "%5: they print when the printer answers again, and %4 is recorded as printed.")
        .arg(printer, waiting, cancelStickersAnswer(), barcode, leaveStickersAnswer());
}

QString cancelStickersAnswer()
{
    return QStringLiteral("Cancel them");
}

QString leaveStickersAnswer()
{
    return QStringLiteral("Leave them");
}

} // namespace counter
