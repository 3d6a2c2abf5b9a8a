#include "report/reporterror.h"

namespace report {

ReportError::ReportError(const QString &description)
    : core::Error(description)
{
}

} // namespace report
