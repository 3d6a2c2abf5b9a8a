#pragma once

#include <QByteArray>

namespace label {
struct LabelDots;
} // namespace label

namespace output {

// ZPL for a label printer behind a raw print queue: one label carrying the label's
// dots as a graphic field (^GFA) in ZPL's compressed ASCII hex, so that the printer
// prints exactly the dots that were rendered, whatever fonts it has.
class ZplWriter
{
public:
    // ^XA ... ^GFA ... ^XZ for one label of one copy.
    static QByteArray label(const ::label::LabelDots &dots);

    // The rows in ZPL's compressed hex: per row, runs of a hex digit as a repeat count
    // (G..Y for 1..19, g..z for 20..400 in steps of 20) and the digit, "," for a row that
    // is white to its end, "!" for one that is black to its end, ":" for a row that
    // repeats the one above. Example: a row 00 00 FF 00 00 00 -> "J0HF,".
    static QByteArray compressedHex(const ::label::LabelDots &dots);
};

} // namespace output
