#pragma once

#include "core/error.h"

#include <QString>

namespace label {

// A failure on a label's way to the printer: a template that cannot be read, a value
// that cannot be printed, a printer that refuses the job, a report that is not open.
// The labels' own layers (label/, output/, report/) throw it; the description is
// written for the lab's staff and IT and is what the print run shows.
class LabelError : public core::Error
{
public:
    explicit LabelError(const QString &description);
};

} // namespace label
