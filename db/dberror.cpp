#include "db/dberror.h"

namespace db {

DbError::DbError(const QString &description, Kind kind, bool inDoubt)
    : core::Error(description)
    , m_kind(kind)
    , m_inDoubt(inDoubt)
{
}

} // namespace db
