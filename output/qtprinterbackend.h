#pragma once

#include "output/labelbackend.h"

#include <QString>

namespace output {

// A page through Qt's printing: a queue whose driver takes a page description
// (PostScript, PDF), and every printer where there is no CUPS (Windows). The label is
// laid out at the driver's resolution when it is known: Qt gives every CUPS printer
// 1200 dpi in high resolution, so a label laid out at that is resampled by the driver,
// and on a 203-dpi label printer the bars' edges would fall between its dots and come
// out ragged.
class QtPrinterBackend : public LabelBackend
{
public:
    // dotsPerInch: the driver's resolution, 0 when unknown.
    QtPrinterBackend(QString printerName, int dotsPerInch);

    PrintedJob print(const label::Label &label) override;

private:
    QString m_printerName;
    int m_dotsPerInch;
};

} // namespace output
