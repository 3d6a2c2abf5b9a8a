#include "db/dberror.h"

namespace db {

DbError::DbError(const QString &description, Kind kind, bool inDoubt, const QString &sqlState)
    : core::Error(description)
    , m_kind(kind)
    , m_inDoubt(inDoubt)
    , m_sqlState(sqlState)
{
}

} // namespace db
