#include "report/reporterror.h"

namespace report {

ReportError::ReportError(const QString &description)
    : std::runtime_error(description.toStdString())
    , m_description(description)
{
}

} // namespace report
