#pragma once

#include <QByteArray>
#include <QImage>

namespace assets {

// Writes a single-frame GIF89a: a global colour table of at most 256 entries,
// LZW-compressed pixel data and, when the picture has transparent pixels, a
// Graphic Control Extension naming the one colour index that stands for them.
//
// Transparency is binary: a pixel with alpha below 128 is transparent, every
// other pixel is treated as opaque. A picture with more colours than fit in the
// table is reduced by median cut; the output depends only on the pixels, so the
// same picture always gives the same bytes.
class GifWriter
{
public:
    static QByteArray encode(const QImage &image);
};

} // namespace assets
