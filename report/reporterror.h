#pragma once

#include <QString>
#include <stdexcept>

namespace report {

// A failed report operation: a template that cannot be read, a value that cannot be
// printed, a printer that refuses the job. The description is written for the lab's
// staff and IT and is what the print run shows.
class ReportError : public std::runtime_error
{
public:
    explicit ReportError(const QString &description);
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace report
