#pragma once

#include <QByteArray>
#include <QImage>

namespace label {

// A label's dots as a printer takes them: rows from the top, each row packed eight
// dots to a byte, the leftmost dot in the highest bit, 1 = black (printed), the unused
// bits at the end of a row 0.
struct LabelDots
{
    int width = 0;  // dots
    int height = 0; // dots
    int bytesPerRow = 0;
    QByteArray bits; // height * bytesPerRow bytes

    // Any image; a dot is black when darker than mid-grey.
    static LabelDots fromImage(const QImage &image);

    const uchar *row(int y) const
    {
        return reinterpret_cast<const uchar *>(bits.constData()) + qsizetype(y) * bytesPerRow;
    }
};

} // namespace label
