#include "output/zplwriter.h"

#include "label/labeldots.h"

#include <algorithm>

namespace output {

using label::LabelDots;

namespace {

// A run of count times the same hex digit.
void appendRun(QByteArray &out, char digit, int count)
{
    while (count > 0) {
        const int chunk = std::min(count, 419); // "z" (400) + "Y" (19): the longest one code says
        if (chunk >= 20)
            out += char('f' + chunk / 20);
        if (chunk % 20 > 0 && chunk > 1)
            out += char('F' + chunk % 20);
        out += digit;
        count -= chunk;
    }
}

} // namespace

QByteArray ZplWriter::compressedHex(const LabelDots &dots)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(qsizetype(dots.height) * 16);
    QByteArray hex(qsizetype(dots.bytesPerRow) * 2, '0');
    for (int y = 0; y < dots.height; ++y) {
        const uchar *row = dots.row(y);
        if (y > 0 && std::equal(row, row + dots.bytesPerRow, dots.row(y - 1))) {
            out += ':';
            continue;
        }
        for (int i = 0; i < dots.bytesPerRow; ++i) {
            hex[2 * i] = kHex[row[i] >> 4];
            hex[2 * i + 1] = kHex[row[i] & 0x0F];
        }
        // A run of 0 or F digits that ends the row is one character.
        qsizetype end = hex.size();
        const char last = end > 0 ? hex[end - 1] : '0';
        if (last == '0' || last == 'F') {
            while (end > 0 && hex[end - 1] == last)
                --end;
        }
        for (qsizetype i = 0; i < end;) {
            qsizetype j = i + 1;
            while (j < end && hex[j] == hex[i])
                ++j;
            appendRun(out, hex[i], int(j - i));
            i = j;
        }
        if (end < hex.size())
            out += last == '0' ? ',' : '!';
    }
    return out;
}

QByteArray ZplWriter::label(const LabelDots &dots)
{
    const QByteArray total = QByteArray::number(qsizetype(dots.bytesPerRow) * dots.height);
    QByteArray zpl;
    zpl += "^XA\n";
    // Turned 180 degrees as the stock CUPS label driver does, so that a sticker comes
    // out the same way up from a raw queue as from a queue with that driver.
    zpl += "^POI\n";
    zpl += "^PW" + QByteArray::number(dots.width) + "\n";
    zpl += "^LL" + QByteArray::number(dots.height) + "\n";
    zpl += "^LH0,0\n";
    zpl += "^FO0,0^GFA," + total + ',' + total + ',' + QByteArray::number(dots.bytesPerRow) + ',';
    zpl += compressedHex(dots);
    zpl += "^FS\n";
    zpl += "^PQ1\n";
    zpl += "^XZ\n";
    return zpl;
}

} // namespace output
