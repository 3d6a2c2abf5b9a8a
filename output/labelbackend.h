#pragma once

#include "label/label.h"

#include <QString>

namespace output {

// What became of one print job, as far as the program can tell when it hands it over.
struct PrintedJob
{
    QString printer; // the print queue's name; empty for a file
    int jobId = 0;   // the print system's id of the job; 0 when it gives none (Qt's printing, a file)
    QString file;    // the file written, for a PDF folder
};

// What a job or the printer check says when there is no default printer.
inline QString noDefaultPrinterText()
{
    return QStringLiteral("No default printer is set up on this computer: make the label printer the default printer.");
}

// One way a label reaches paper (or a file). Each print() makes one job of one label,
// without a dialog, and throws label::LabelError when that fails; nothing of a job that
// failed is printed.
class LabelBackend
{
public:
    virtual ~LabelBackend() = default;
    virtual PrintedJob print(const label::Label &label) = 0;

protected:
    // The print job's document name: the label's title, or "Label".
    static QString documentName(const label::Label &label)
    {
        return label.title.isEmpty() ? QStringLiteral("Label") : label.title;
    }
};

} // namespace output
