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

} // namespace counter
