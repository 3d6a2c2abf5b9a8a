#pragma once

#include <QList>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace bench {

// Median and spread (min, max, interquartile range) of a series of timings in ms.
struct Stats
{
    double median = 0, min = 0, max = 0, p25 = 0, p75 = 0;
    int runs = 0;
};

inline Stats summarize(QList<double> samples)
{
    Stats s;
    if (samples.isEmpty())
        return s;
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        const double pos = q * (samples.size() - 1);
        const auto lo = static_cast<qsizetype>(std::floor(pos));
        const auto hi = static_cast<qsizetype>(std::ceil(pos));
        return samples[lo] + (samples[hi] - samples[lo]) * (pos - lo);
    };
    s.runs = int(samples.size());
    s.min = samples.first();
    s.max = samples.last();
    s.median = at(0.5);
    s.p25 = at(0.25);
    s.p75 = at(0.75);
    return s;
}

inline void print(QTextStream &out, const QString &name, const Stats &s, const QString &unit = QStringLiteral("ms"))
{
    out << qSetFieldWidth(44) << Qt::left << name << qSetFieldWidth(0)
        << QStringLiteral(" median %1 %5  (min %2, IQR %3-%4, max %6; %7 runs)")
               .arg(s.median, 0, 'f', 3)
               .arg(s.min, 0, 'f', 3)
               .arg(s.p25, 0, 'f', 3)
               .arg(s.p75, 0, 'f', 3)
               .arg(unit)
               .arg(s.max, 0, 'f', 3)
               .arg(s.runs)
        << Qt::endl;
}

} // namespace bench
