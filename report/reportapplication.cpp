#include "report/reportapplication.h"

#include "report/reporterror.h"
#include "report/templatereader.h"

namespace report {

std::unique_ptr<Report> ReportApplication::openReport(const QString &path, qint16 openOption) const
{
    if (openOption != OpenFresh)
        throw ReportError(QStringLiteral("Unknown option %1 for opening the report \"%2\".").arg(openOption).arg(path));
    return std::make_unique<Report>(TemplateReader::readFile(path));
}

} // namespace report
