#include "tools/assets/artwork.h"
#include "tools/assets/gifwriter.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QSet>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdlib>

namespace {

quint32 le16(const QByteArray &d, qsizetype at)
{
    return quint8(d[at]) | quint32(quint8(d[at + 1])) << 8;
}

quint32 le32(const QByteArray &d, qsizetype at)
{
    return le16(d, at) | le16(d, at + 2) << 16;
}

quint32 be16(const QByteArray &d, qsizetype at)
{
    return quint32(quint8(d[at])) << 8 | quint8(d[at + 1]);
}

// What the block structure of a GIF holds.
struct GifLayout
{
    bool valid = false;
    int tableSize = 0;
    int images = 0;
    int transparentControls = 0; // Graphic Control Extensions with the transparency flag
    int transparentIndex = -1;
};

// Skips a chain of data sub-blocks; returns the position after the terminator, or -1.
qsizetype skipSubBlocks(const QByteArray &d, qsizetype at)
{
    while (at < d.size()) {
        const int n = quint8(d[at]);
        at += 1 + n;
        if (n == 0)
            return at;
    }
    return -1;
}

GifLayout readGifLayout(const QByteArray &d)
{
    GifLayout gif;
    if (d.size() < 13)
        return gif;
    const int packed = quint8(d[10]);
    qsizetype at = 13;
    if (packed & 0x80) {
        gif.tableSize = 2 << (packed & 7);
        at += 3 * gif.tableSize;
    }
    while (at < d.size()) {
        const int introducer = quint8(d[at]);
        if (introducer == 0x3b) {
            gif.valid = true;
            return gif;
        }
        if (introducer == 0x21 && at + 1 < d.size()) {
            if (quint8(d[at + 1]) == 0xf9 && at + 6 < d.size() && (quint8(d[at + 3]) & 1)) {
                ++gif.transparentControls;
                gif.transparentIndex = quint8(d[at + 6]);
            }
            at = skipSubBlocks(d, at + 2);
        } else if (introducer == 0x2c && at + 10 < d.size()) {
            ++gif.images;
            const int local = quint8(d[at + 9]);
            at += 10;
            if (local & 0x80)
                at += 3 * (2 << (local & 7));
            at = skipSubBlocks(d, at + 1); // after the LZW minimum code size
        } else {
            return gif;
        }
        if (at < 0)
            return gif;
    }
    return gif;
}

// The start-of-frame markers of a JPEG, in order, up to the start of scan.
QList<int> jpegFrameMarkers(const QByteArray &d, QSize *frameSize, int *precision)
{
    QList<int> frames;
    if (d.size() < 4 || quint8(d[0]) != 0xff || quint8(d[1]) != 0xd8)
        return frames;
    qsizetype at = 2;
    while (at + 4 <= d.size() && quint8(d[at]) == 0xff) {
        int marker = quint8(d[at + 1]);
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xda) // start of scan: the frame headers are all behind us
            break;
        const qsizetype length = be16(d, at + 2);
        const bool startOfFrame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8
            && marker != 0xcc;
        if (startOfFrame && at + 9 <= d.size()) {
            frames << marker;
            *precision = quint8(d[at + 4]);
            *frameSize = QSize(int(be16(d, at + 7)), int(be16(d, at + 5)));
        }
        at += 2 + length;
    }
    return frames;
}

// Distinct colours of a picture, counted up to `enough`.
int distinctColours(const QImage &image, int enough)
{
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            colours.insert(line[x]);
            if (colours.size() >= enough)
                return enough;
        }
    }
    return int(colours.size());
}

QImage decodeGif(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "gif");
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_Assets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedFormat_data();
    void storedFormat();
    void logoHasOneTransparentColour();
    void iconsSitOnWhite_data();
    void iconsSitOnWhite();
    void desktopIcons_data();
    void desktopIcons();
    void scalableIcon_data();
    void scalableIcon();
    void gifWriterRoundTrip_data();
    void gifWriterRoundTrip();
};

void tst_Assets::storedFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("background") << "background.bmp" << QByteArray("bmp") << QSize(1600, 1000);
    QTest::newRow("logo") << "logo.gif" << QByteArray("gif") << QSize(200, 78);
    QTest::newRow("search icon") << "search.bmp" << QByteArray("bmp") << QSize(49, 50);
    QTest::newRow("keyboard icon") << "keyboard.bmp" << QByteArray("bmp") << QSize(36, 31);
    QTest::newRow("play icon") << "play.bmp" << QByteArray("bmp") << QSize(34, 34);
    QTest::newRow("pause icon") << "pause.bmp" << QByteArray("bmp") << QSize(34, 34);
    QTest::newRow("slide 0") << "slide0.bmp" << QByteArray("bmp") << QSize(648, 432);
    QTest::newRow("slide 1") << "slide1.jpg" << QByteArray("jpeg") << QSize(520, 400);
    QTest::newRow("slide 2") << "slide2.jpg" << QByteArray("jpeg") << QSize(520, 400);
    QTest::newRow("slide 3") << "slide3.jpg" << QByteArray("jpeg") << QSize(456, 380);
    QTest::newRow("slide 4") << "slide4.jpg" << QByteArray("jpeg") << QSize(530, 410);
    QTest::newRow("slide 5") << "slide5.jpg" << QByteArray("jpeg") << QSize(550, 420);
    QTest::newRow("slide 6") << "slide6.jpg" << QByteArray("jpeg") << QSize(433, 339);
    QTest::newRow("slide 7") << "slide7.jpg" << QByteArray("jpeg") << QSize(463, 386);
    QTest::newRow("slide 8") << "slide8.jpg" << QByteArray("jpeg") << QSize(520, 400);
}

// Each picture as stored: its file format read from the bytes themselves, its
// pixel size in the header, and a clean decode by Qt at that size.
void tst_Assets::storedFormat()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    const QString path = QStringLiteral(":/assets/") + file;
    QFile in(path);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray d = in.readAll();

    if (format == "bmp") {
        QVERIFY(d.size() > 54);
        QCOMPARE(d.left(2), QByteArray("BM"));
        QCOMPARE(le32(d, 2), quint32(d.size()));
        QVERIFY(le32(d, 14) >= 40); // at least a BITMAPINFOHEADER
        QCOMPARE(qint32(le32(d, 18)), size.width());
        QCOMPARE(std::abs(qint32(le32(d, 22))), size.height());
        QCOMPARE(le16(d, 26), 1u);  // planes
        QCOMPARE(le16(d, 28), 24u); // bits per pixel
        QCOMPARE(le32(d, 30), 0u);  // uncompressed
        const quint32 stride = (quint32(size.width()) * 3 + 3) & ~3u;
        QCOMPARE(le32(d, 10) + stride * quint32(size.height()), quint32(d.size()));
    } else if (format == "gif") {
        QCOMPARE(d.left(6), QByteArray("GIF89a"));
        QCOMPARE(QSize(int(le16(d, 6)), int(le16(d, 8))), size);
        const GifLayout gif = readGifLayout(d);
        QVERIFY(gif.valid);
        QCOMPARE(gif.images, 1);
    } else {
        QSize frameSize;
        int precision = 0;
        const QList<int> frames = jpegFrameMarkers(d, &frameSize, &precision);
        QCOMPARE(frames, QList<int>{0xc0}); // one baseline frame, no SOF2
        QCOMPARE(precision, 8);
        QCOMPARE(frameSize, size);
    }

    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QVERIFY2(distinctColours(image, 16) >= 16, "a flat or blank picture");
}

void tst_Assets::logoHasOneTransparentColour()
{
    QFile in(QStringLiteral(":/assets/logo.gif"));
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray d = in.readAll();
    const GifLayout gif = readGifLayout(d);
    QVERIFY(gif.valid);
    QCOMPARE(gif.transparentControls, 1);
    QVERIFY(gif.transparentIndex >= 0 && gif.transparentIndex < gif.tableSize);

    // Decoded, a pixel is either see-through or solid, and there are both:
    // the corners show the header behind the logo, the emblem covers it.
    const QImage logo = decodeGif(d);
    QCOMPARE(logo.size(), QSize(200, 78));
    int clear = 0;
    int solid = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const int a = qAlpha(logo.pixel(x, y));
            QVERIFY2(a == 0 || a == 255, qPrintable(QStringLiteral("alpha %1 at %2,%3").arg(a).arg(x).arg(y)));
            (a == 0 ? clear : solid) += 1;
        }
    }
    QVERIFY(clear > 0 && solid > 0);
    QCOMPARE(qAlpha(logo.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(logo.pixel(199, 77)), 0);
}

void tst_Assets::iconsSitOnWhite_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("search icon") << "search.bmp";
    QTest::newRow("keyboard icon") << "keyboard.bmp";
    QTest::newRow("play icon") << "play.bmp";
    QTest::newRow("pause icon") << "pause.bmp";
}

// A BMP has no transparency; the icons stand on white controls, so their corners must be white.
void tst_Assets::iconsSitOnWhite()
{
    QFETCH(QString, file);
    const QImage icon(QStringLiteral(":/assets/") + file);
    QVERIFY(!icon.isNull());
    const QPoint corners[] = {
        {0, 0}, {icon.width() - 1, 0}, {0, icon.height() - 1}, {icon.width() - 1, icon.height() - 1}};
    for (const QPoint &c : corners)
        QCOMPARE(QColor(icon.pixel(c)), QColor(Qt::white));
}

void tst_Assets::desktopIcons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

// The desktop entry's icons, installed into the hicolor theme: the emblem as the
// drawing code paints it now, on a transparent square.
void tst_Assets::desktopIcons()
{
    QFETCH(int, size);
    const QImage stored =
        QImage(QStringLiteral(NORVANE_ICONS_DIR "/norvane-%1.png").arg(size)).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!stored.isNull());
    QCOMPARE(stored.size(), QSize(size, size));
    QCOMPARE(qAlpha(stored.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(stored.pixel(size - 1, size - 1)), 0);
    QCOMPARE(qAlpha(stored.pixel(size / 2, size / 2)), 255);
    QVERIFY2(stored == assets::paintAppIcon(size).convertToFormat(QImage::Format_ARGB32),
             "the committed icon is not what the drawing code paints: run norvane-assets");
}

void tst_Assets::scalableIcon_data()
{
    QTest::addColumn<int>("size");
    // From 48 px up the PNGs' margin and ring scale with the size, as a vector
    // drawing does; below that they keep a whole pixel.
    for (int size : {48, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

// The scalable icon installed beside the PNGs: the committed SVG is what the drawing
// code writes now, it is well-formed, and a renderer draws from it the emblem of the
// PNG of that size, apart from antialiased edges.
void tst_Assets::scalableIcon()
{
    QFETCH(int, size);
    QFile in(QStringLiteral(NORVANE_ICONS_DIR "/norvane.svg"));
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray svg = in.readAll();
    QVERIFY2(svg == assets::appIconSvg(), "the committed SVG is not what the drawing code writes: run norvane-assets");

    QXmlStreamReader xml(svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    QCOMPARE(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    QCOMPARE(xml.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 256 256"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    {
        QPainter p(&drawn);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, size, size));
    }
    drawn = drawn.convertToFormat(QImage::Format_ARGB32);
    const QImage png =
        QImage(QStringLiteral(NORVANE_ICONS_DIR "/norvane-%1.png").arg(size)).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(png.size(), drawn.size());

    // Edge pixels may differ by their antialiasing; anything more is another drawing.
    int off = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = png.pixel(x, y);
            const int d = std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                                    std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            if (d > 24)
                ++off;
        }
    }
    QVERIFY2(off * 100 <= size * size, qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(off).arg(size * size)));
    QCOMPARE(qAlpha(drawn.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(drawn.pixel(size / 2, size / 2)), 255);
}

void tst_Assets::gifWriterRoundTrip_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("tolerance"); // largest channel difference allowed after decoding

    QImage tiny(1, 1, QImage::Format_ARGB32);
    tiny.fill(qRgb(10, 200, 30));
    QTest::newRow("single pixel") << tiny << 0;

    // two colours and transparency: the smallest code size, long repeating runs
    QImage stripes(640, 48, QImage::Format_ARGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y,
                             (x / 7 + y) % 3 == 0       ? qRgba(0, 0, 0, 0)
                                 : (x / 7 + y) % 3 == 1 ? qRgb(0, 0, 128)
                                                        : qRgb(255, 255, 255));
    QTest::newRow("two colours and transparency") << stripes << 0;

    // 255 colours and transparency in noise: the code table fills up and is reset many times
    QImage noise(300, 200, QImage::Format_ARGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            const int k = int(rng.bounded(256));
            noise.setPixel(x, y, k == 255 ? qRgba(0, 0, 0, 0) : qRgb(k, 255 - k, (k * 37) % 256));
        }
    }
    QTest::newRow("full table of noise") << noise << 0;

    // more colours than a table holds: reduced, but close to the original
    QImage gradient(256, 64, QImage::Format_ARGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, x < 8 ? qRgba(0, 0, 0, 0) : qRgb(x, y * 4, 255 - x));
    QTest::newRow("more than 256 colours") << gradient << 24;
}

void tst_Assets::gifWriterRoundTrip()
{
    QFETCH(QImage, source);
    QFETCH(int, tolerance);

    const QByteArray data = assets::GifWriter::encode(source);
    QCOMPARE(data.left(6), QByteArray("GIF89a"));
    const QImage decoded = decodeGif(data);
    QCOMPARE(decoded.size(), source.size());

    int worst = 0;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb want = source.pixel(x, y);
            const QRgb got = decoded.pixel(x, y);
            if (qAlpha(want) == 0) {
                QVERIFY2(qAlpha(got) == 0, qPrintable(QStringLiteral("opaque at %1,%2").arg(x).arg(y)));
                continue;
            }
            QVERIFY2(qAlpha(got) == 255, qPrintable(QStringLiteral("see-through at %1,%2").arg(x).arg(y)));
            worst = std::max({worst, std::abs(qRed(want) - qRed(got)), std::abs(qGreen(want) - qGreen(got)),
                              std::abs(qBlue(want) - qBlue(got))});
        }
    }
    QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("colour off by %1").arg(worst)));
}

QTEST_MAIN(tst_Assets)
#include "tst_assets.moc"
