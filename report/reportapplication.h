#pragma once

#include "report/report.h"

#include <QString>

#include <memory>

namespace output {
class LabelOutput;
} // namespace output

namespace report {

// The report engine's application object: opens report files, each report printing
// through the label output the application was made for.
class ReportApplication
{
public:
    // Open option 1, the only one this engine has: read the template afresh from the
    // file into a new report of its own. Any other value is refused.
    static constexpr qint16 OpenFresh = 1;

    explicit ReportApplication(output::LabelOutput &output);

    std::unique_ptr<Report> openReport(const QString &path, qint16 openOption) const;

private:
    output::LabelOutput &m_output;
};

} // namespace report
