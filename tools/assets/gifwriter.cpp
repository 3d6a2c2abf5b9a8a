#include "tools/assets/gifwriter.h"

#include <climits>

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <vector>

namespace assets {

namespace {

constexpr int kMaxCodes = 4096; // LZW codes are at most 12 bits wide
constexpr int kMaxColours = 256;

struct Box
{
    std::vector<std::pair<QRgb, int>> colours; // colour and pixel count, sorted
};

int channel(QRgb c, int ch)
{
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

// Widest channel range of a box and the channel that has it.
std::pair<int, int> widestChannel(const Box &box)
{
    int bestChannel = 0;
    int bestRange = -1;
    for (int ch = 0; ch < 3; ++ch) {
        int lo = 255;
        int hi = 0;
        for (const auto &[c, n] : box.colours) {
            lo = std::min(lo, channel(c, ch));
            hi = std::max(hi, channel(c, ch));
        }
        if (hi - lo > bestRange) {
            bestRange = hi - lo;
            bestChannel = ch;
        }
    }
    return {bestRange, bestChannel};
}

// Median cut: split the box with the widest range at the pixel-weighted median
// until there are `limit` boxes; each box becomes its weighted mean colour.
std::vector<QRgb> medianCut(const std::map<QRgb, int> &histogram, int limit)
{
    std::vector<Box> boxes(1);
    boxes[0].colours.assign(histogram.begin(), histogram.end());
    while (int(boxes.size()) < limit) {
        int pick = -1;
        int pickRange = 0;
        int pickChannel = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].colours.size() < 2)
                continue;
            const auto [range, ch] = widestChannel(boxes[i]);
            if (range > pickRange) {
                pick = i;
                pickRange = range;
                pickChannel = ch;
            }
        }
        if (pick < 0)
            break;
        auto &cols = boxes[pick].colours;
        std::stable_sort(cols.begin(), cols.end(), [pickChannel](const auto &a, const auto &b) {
            return channel(a.first, pickChannel) < channel(b.first, pickChannel);
        });
        long long total = 0;
        for (const auto &entry : cols)
            total += entry.second;
        long long running = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < cols.size(); ++i) {
            running += cols[i].second;
            cut = i + 1;
            if (running * 2 >= total)
                break;
        }
        Box upper;
        upper.colours.assign(cols.begin() + long(cut), cols.end());
        cols.erase(cols.begin() + long(cut), cols.end());
        boxes.push_back(std::move(upper));
    }

    std::vector<QRgb> palette;
    palette.reserve(boxes.size());
    for (const Box &box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (const auto &[c, count] : box.colours) {
            r += qRed(c) * double(count);
            g += qGreen(c) * double(count);
            b += qBlue(c) * double(count);
            n += count;
        }
        palette.push_back(qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5)));
    }
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

int nearest(const std::vector<QRgb> &palette, QRgb c)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = qRed(palette[i]) - qRed(c);
        const int dg = qGreen(palette[i]) - qGreen(c);
        const int db = qBlue(palette[i]) - qBlue(c);
        const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Packs variable-width codes least significant bit first into 255-byte sub-blocks.
class CodeStream
{
public:
    explicit CodeStream(QByteArray &out)
        : m_out(out)
    {
    }

    void put(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            pushByte(char(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            pushByte(char(m_bits & 0xff));
        flushBlock();
        m_out.append('\0'); // block terminator
    }

private:
    void pushByte(char b)
    {
        m_block.append(b);
        if (m_block.size() == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (m_block.isEmpty())
            return;
        m_out.append(char(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }

    QByteArray &m_out;
    QByteArray m_block;
    quint32 m_bits = 0;
    int m_count = 0;
};

void compress(QByteArray &out, const std::vector<quint8> &indices, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int alphabet = 1 << minCodeSize;

    // next[prefix * alphabet + symbol]: the code for prefix followed by symbol, or -1
    std::vector<qint16> next(size_t(kMaxCodes) * size_t(alphabet), -1);
    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;

    out.append(char(minCodeSize));
    CodeStream stream(out);
    stream.put(clearCode, codeSize);

    int prefix = indices.front();
    for (size_t i = 1; i < indices.size(); ++i) {
        const int symbol = indices[i];
        qint16 &slot = next[size_t(prefix) * size_t(alphabet) + size_t(symbol)];
        if (slot >= 0) {
            prefix = slot;
            continue;
        }
        stream.put(prefix, codeSize);
        slot = qint16(nextCode++);
        // The decoder builds its table one code behind us, so it widens its
        // codes once our table has grown one past the current width.
        if (nextCode > (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (nextCode == kMaxCodes) {
            stream.put(clearCode, codeSize);
            std::fill(next.begin(), next.end(), qint16(-1));
            codeSize = minCodeSize + 1;
            nextCode = endCode + 1;
        }
        prefix = symbol;
    }
    stream.put(prefix, codeSize);
    stream.put(endCode, codeSize);
    stream.finish();
}

void appendLe16(QByteArray &out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

} // namespace

QByteArray GifWriter::encode(const QImage &source)
{
    if (source.isNull() || source.width() > 0xffff || source.height() > 0xffff)
        return {};
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();

    std::map<QRgb, int> histogram;
    bool transparent = false;
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) < 128)
                transparent = true;
            else
                ++histogram[line[x] | 0xff000000u];
        }
    }

    const int opaqueSlots = kMaxColours - (transparent ? 1 : 0);
    std::vector<QRgb> palette;
    if (int(histogram.size()) <= opaqueSlots) {
        for (const auto &entry : histogram)
            palette.push_back(entry.first);
    } else {
        palette = medianCut(histogram, opaqueSlots);
    }
    const int transparentIndex = int(palette.size());
    const int used = transparentIndex + (transparent ? 1 : 0);
    int tableBits = 1;
    while ((1 << tableBits) < used)
        ++tableBits;

    std::vector<quint8> indices(size_t(w) * size_t(h));
    std::unordered_map<QRgb, quint8> lookup;
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            quint8 index;
            if (qAlpha(line[x]) < 128) {
                index = quint8(transparentIndex);
            } else {
                const QRgb c = line[x] | 0xff000000u;
                auto it = lookup.find(c);
                if (it == lookup.end())
                    it = lookup.emplace(c, quint8(nearest(palette, c))).first;
                index = it->second;
            }
            indices[size_t(y) * size_t(w) + size_t(x)] = index;
        }
    }

    QByteArray out("GIF89a");
    appendLe16(out, w);
    appendLe16(out, h);
    // global colour table present, 8 bits of colour resolution, table size
    out.append(char(0x80 | 0x70 | (tableBits - 1)));
    out.append('\0'); // background colour index
    out.append('\0'); // no pixel aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < int(palette.size()) ? palette[size_t(i)] : qRgb(255, 255, 255);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }

    if (transparent) {
        const std::array<char, 8> gce{'\x21', '\xf9', '\x04',
                                      '\x01', // no disposal, transparent colour given
                                      '\0',   '\0',   char(transparentIndex),
                                      '\0'};
        out.append(gce.data(), int(gce.size()));
    }

    out.append('\x2c'); // image descriptor: whole screen, no local table, not interlaced
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, w);
    appendLe16(out, h);
    out.append('\0');

    compress(out, indices, std::max(2, tableBits));
    out.append('\x3b'); // trailer
    return out;
}

} // namespace assets
