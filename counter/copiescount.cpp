#include "counter/copiescount.h"

#include "counter/searchrules.h"

#include <cmath>
#include <limits>

namespace counter {

std::optional<qint16> copiesCount(const QString &text)
{
    if (!isNumeric(text))
        return std::nullopt;
    // The number without the spaces around it, read in the C locale.
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // Half to even, whatever rounding mode the process runs in.
    const double whole = value - std::floor(value) == 0.5
        ? (std::fmod(std::floor(value), 2.0) == 0 ? std::floor(value) : std::ceil(value))
        : std::round(value);
    if (whole < std::numeric_limits<qint16>::min() || whole > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(whole);
}

} // namespace counter
