#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// A failed database operation. The description is what the user is shown by the
// routines that report failures (the patient search): for a server error it carries
// the server's own message text.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &description);
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace db
