#pragma once

#include <QString>

namespace journal {

// This computer's host name, as the journal names the workstation.
QString currentWorkstation();

// The login name of the user running the program (the operator at the counter);
// empty when the system does not say.
QString currentOperator();

} // namespace journal
