#include "ui/main/copiescount.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace ui {

std::optional<qint16> copiesCount(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^ *([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?) *$"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
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

} // namespace ui
