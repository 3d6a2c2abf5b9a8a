#include "label/labeldots.h"

namespace label {

LabelDots LabelDots::fromImage(const QImage &image)
{
    LabelDots dots;
    dots.width = image.width();
    dots.height = image.height();
    dots.bytesPerRow = (dots.width + 7) / 8;
    dots.bits = QByteArray(qsizetype(dots.bytesPerRow) * dots.height, '\0');
    auto *out = reinterpret_cast<uchar *>(dots.bits.data());

    if (image.format() == QImage::Format_Mono && image.colorCount() == 2) {
        // The renderer's own format: copy the rows, turned so that 1 is black.
        const bool oneIsBlack = qGray(image.color(1)) < 128;
        const bool zeroIsBlack = qGray(image.color(0)) < 128;
        const uchar lastMask = uchar(0xFFu << ((8 - dots.width % 8) % 8));
        for (int y = 0; y < dots.height; ++y) {
            const uchar *in = image.constScanLine(y);
            uchar *row = out + qsizetype(y) * dots.bytesPerRow;
            for (int i = 0; i < dots.bytesPerRow; ++i)
                row[i] = oneIsBlack ? (zeroIsBlack ? 0xFF : in[i]) : (zeroIsBlack ? uchar(~in[i]) : 0x00);
            if (dots.bytesPerRow > 0)
                row[dots.bytesPerRow - 1] &= lastMask;
        }
        return dots;
    }

    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < dots.height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *row = out + qsizetype(y) * dots.bytesPerRow;
        for (int x = 0; x < dots.width; ++x)
            if (qGray(in[x]) < 128)
                row[x >> 3] |= uchar(0x80u >> (x & 7));
    }
    return dots;
}

} // namespace label
