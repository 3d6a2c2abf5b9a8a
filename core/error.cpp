#include "core/error.h"

namespace core {

Error::Error(const QString &description)
    : std::runtime_error(description.toStdString())
    , m_description(description)
{
}

QString describe(const std::exception &failure)
{
    if (const auto *error = dynamic_cast<const Error *>(&failure))
        return error->description();
    return QString::fromLocal8Bit(failure.what());
}

} // namespace core
