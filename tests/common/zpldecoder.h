#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace testsupport {

// Reads the graphics of ZPL as a label printer would: every ~DG (download graphic) and
// ^GFA (graphic field) in the bytes, decoded from ZPL's ASCII hex, compressed or not,
// into a one-bit image (black = printed dot). Written from ZPL's description of its
// compression, independently of the program's writer: G..Y repeat the next digit 1..19
// times, g..z 20..400 times (counts add up), "," fills the row with 0, "!" with 1,
// ":" repeats the row above. A graphic that cannot be read gives a null image.
inline QList<QImage> zplGraphics(const QByteArray &zpl)
{
    QList<QImage> images;
    qsizetype at = 0;
    while (true) {
        const qsizetype dg = zpl.indexOf("~DG", at);
        const qsizetype gf = zpl.indexOf("^GFA,", at);
        if (dg < 0 && gf < 0)
            break;
        const bool isGf = gf >= 0 && (dg < 0 || gf < dg);
        qsizetype pos = isGf ? gf + 5 : dg + 3;
        // ~DGname,total,perRow,data   ^GFA,binaryBytes,total,perRow,data
        QList<QByteArray> head;
        for (int i = 0; i < 3; ++i) {
            const qsizetype comma = zpl.indexOf(',', pos);
            if (comma < 0)
                return images << QImage();
            head << zpl.mid(pos, comma - pos);
            pos = comma + 1;
        }
        const int total = head.at(1).toInt();
        const int perRow = head.at(2).toInt();
        if (perRow <= 0 || total <= 0 || total % perRow != 0) {
            images << QImage();
            at = pos;
            continue;
        }
        const int rows = total / perRow;
        QByteArray bits(total, '\0');
        int row = 0, nibble = 0, repeat = 0;
        auto put = [&](int value) {
            if (row >= rows)
                return;
            char &byte = bits[row * perRow + nibble / 2];
            byte = char(nibble % 2 == 0 ? (byte & 0x0F) | (value << 4) : (byte & 0xF0) | value);
            if (++nibble == perRow * 2) {
                nibble = 0;
                ++row;
            }
        };
        auto fillRow = [&](int value) {
            if (nibble == 0 && row < rows)
                put(value);
            while (nibble != 0)
                put(value);
        };
        bool ok = true;
        for (; pos < zpl.size() && row < rows; ++pos) {
            const char c = zpl.at(pos);
            if (c >= 'G' && c <= 'Y') {
                repeat += c - 'F';
            } else if (c >= 'g' && c <= 'z') {
                repeat += (c - 'f') * 20;
            } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
                const int value = c <= '9' ? c - '0' : c - 'A' + 10;
                for (int i = 0; i < std::max(1, repeat); ++i)
                    put(value);
                repeat = 0;
            } else if (c == ',' || c == '!') {
                fillRow(c == ',' ? 0 : 15);
            } else if (c == ':') {
                if (row == 0 || nibble != 0) {
                    ok = false;
                    break;
                }
                for (int i = 0; i < perRow; ++i)
                    bits[row * perRow + i] = bits[(row - 1) * perRow + i];
                ++row;
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                break;
            }
        }
        at = pos;
        if (!ok || row != rows) {
            images << QImage();
            continue;
        }
        QImage image(perRow * 8, rows, QImage::Format_Mono);
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        for (int y = 0; y < rows; ++y)
            memcpy(image.scanLine(y), bits.constData() + y * perRow, perRow);
        images << image;
    }
    return images;
}

} // namespace testsupport
