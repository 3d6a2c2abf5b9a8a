#include "label/labelerror.h"

namespace label {

LabelError::LabelError(const QString &description)
    : core::Error(description)
{
}

} // namespace label
