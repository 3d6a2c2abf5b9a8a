#pragma once

#include "label/labelerror.h"

#include <QString>

namespace output {

// The print service itself is missing: the CUPS scheduler does not answer, or the
// label printer's queue is gone from it. Told as such, with what IT should check,
// never as a setting of the printer or a missing default printer. The print run
// records nothing for an exam whose stickers met it.
class PrintServiceError : public label::LabelError
{
public:
    enum class Kind { NotAnswering, QueueGone };

    // The scheduler does not answer; server is where it runs as the user would name
    // it (empty: this computer).
    static PrintServiceError notAnswering(const QString &server);
    // The queue does not exist (any more).
    static PrintServiceError queueGone(const QString &queue);

    Kind kind() const { return m_kind; }

private:
    PrintServiceError(Kind kind, const QString &description);

    Kind m_kind;
};

} // namespace output
