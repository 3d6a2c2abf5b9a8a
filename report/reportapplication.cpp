#include "report/reportapplication.h"

#include "label/labelerror.h"
#include "label/templatereader.h"

#include <QCoreApplication>

namespace report {

ReportApplication::ReportApplication(output::LabelOutput &output)
    : m_output(output)
{
}

std::unique_ptr<Report> ReportApplication::openReport(const QString &path, qint16 openOption) const
{
    if (openOption != OpenFresh)
        throw label::LabelError(
            QCoreApplication::translate("report::ReportApplication", "Unknown option %1 for opening the report \"%2\".")
                .arg(openOption)
                .arg(path));
    return std::make_unique<Report>(label::TemplateReader::readFile(path), m_output);
}

} // namespace report
