#include "dberror.h"

namespace db {

DbError::DbError(const QString &description)
    : std::runtime_error(description.toStdString())
    , m_description(description)
{
}

} // namespace db
