#include "dberror.h"

namespace db {

DbError::DbError(const QString &description, Kind kind, bool inDoubt)
    : std::runtime_error(description.toStdString())
    , m_description(description)
    , m_kind(kind)
    , m_inDoubt(inDoubt)
{
}

} // namespace db
