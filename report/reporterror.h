#pragma once

#include "core/error.h"

#include <QString>

namespace report {

// A failed report operation: a template that cannot be read, a value that cannot be
// printed, a printer that refuses the job. The description is written for the lab's
// staff and IT and is what the print run shows.
class ReportError : public core::Error
{
public:
    explicit ReportError(const QString &description);
};

} // namespace report
