// norvane-assets: draws the main window's pictures and writes them, with the
// resource file that lists them, into ui/main/assets/ (or the folder given as
// the only argument). Run it by hand after changing the drawing code and
// commit the files it writes; the normal build never runs it.

#include "tools/assets/artwork.h"
#include "tools/assets/gifwriter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Asset
{
    QString file;
    QSize size;
    std::function<QImage()> paint;
};

std::vector<Asset> catalogue()
{
    std::vector<Asset> list{
        {QStringLiteral("background.bmp"), {1600, 1000}, assets::paintBackground},
        {QStringLiteral("logo.gif"), {200, 78}, assets::paintLogo},
        {QStringLiteral("search.bmp"), {49, 50}, assets::paintSearchIcon},
        {QStringLiteral("keyboard.bmp"), {36, 31}, assets::paintKeyboardIcon},
        {QStringLiteral("play.bmp"), {34, 34}, assets::paintPlayIcon},
        {QStringLiteral("pause.bmp"), {34, 34}, assets::paintPauseIcon},
    };
    const QSize slideSizes[] = {{648, 432}, {520, 400}, {520, 400}, {456, 380}, {530, 410},
                                {550, 420}, {433, 339}, {463, 386}, {520, 400}};
    for (int i = 0; i < 9; ++i) {
        const QString file = QStringLiteral("slide%1.%2").arg(i).arg(i == 0 ? u"bmp" : u"jpg");
        const QSize size = slideSizes[i];
        list.push_back({file, size, [i, size] { return assets::paintSlide(i, size); }});
    }
    return list;
}

// The program's icon for the desktop entry, one PNG per size of the hicolor theme,
// in icons/ (installed; the program compiles them in as its window icon's fallback),
// beside the scalable norvane.svg that main() writes from the same emblem.
std::vector<Asset> iconCatalogue()
{
    std::vector<Asset> list;
    for (int size : {16, 32, 48, 64, 128, 256})
        list.push_back({QStringLiteral("icons/norvane-%1.png").arg(size), {size, size}, [size] {
                            return assets::paintAppIcon(size);
                        }});
    return list;
}

QString failure(const QString &path, const QString &why)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
}

// Writes one picture in the format its file name gives; returns an error text or "".
QString write(const QString &path, QImage image)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(path, file.errorString());

    // 96 dots per inch in every header, whatever screen the tool runs on
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);

    if (path.endsWith(u".png")) {
        QImageWriter writer(&file, "png");
        if (!writer.write(image.convertToFormat(QImage::Format_ARGB32)))
            return failure(path, writer.errorString());
    } else if (path.endsWith(u".gif")) {
        const QByteArray data = assets::GifWriter::encode(image);
        if (data.isEmpty() || file.write(data) != data.size())
            return failure(path, QStringLiteral("cannot write the GIF data"));
    } else {
        const bool jpeg = path.endsWith(u".jpg");
        QImageWriter writer(&file, jpeg ? "jpeg" : "bmp");
        if (jpeg) {
            writer.setQuality(92);
            writer.setProgressiveScanWrite(false); // baseline: every decoder reads it
            writer.setOptimizedWrite(true);
        }
        // RGB32 makes the BMP writer store 24 bits per pixel
        if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
            return failure(path, writer.errorString());
    }
    if (!file.commit())
        return failure(path, file.errorString());
    return {};
}

QString writeText(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return failure(path, file.errorString());
    return {};
}

QString writeResourceFile(const QString &path, const std::vector<Asset> &list)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return failure(path, file.errorString());
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/assets\">\n";
    for (const Asset &asset : list)
        out << "    <file>" << asset.file << "</file>\n";
    out << "</qresource>\n</RCC>\n";
    out.flush();
    if (!file.commit())
        return failure(path, file.errorString());
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    // Draws off screen: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() > 2) {
        std::fprintf(stderr, "usage: norvane-assets [output-folder]\n");
        return 2;
    }
    const QString folder = args.size() == 2 ? args.at(1) : QStringLiteral(NORVANE_ASSETS_DIR);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }

    const std::vector<Asset> list = catalogue();
    std::vector<Asset> all = list;
    for (Asset &icon : iconCatalogue())
        all.push_back(std::move(icon));
    if (!QDir(folder).mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "cannot create %s/icons\n", qPrintable(folder));
        return 1;
    }
    for (const Asset &asset : all) {
        const QImage image = asset.paint();
        QString error;
        if (image.size() != asset.size)
            error = failure(asset.file, QStringLiteral("drawn at the wrong size"));
        else
            error = write(QDir(folder).filePath(asset.file), image);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(QDir(folder).filePath(asset.file)));
    }
    const QString svgPath = QDir(folder).filePath(QStringLiteral("icons/norvane.svg"));
    QString error = writeText(svgPath, assets::appIconSvg());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(svgPath));
    error = writeResourceFile(QDir(folder).filePath(QStringLiteral("assets.qrc")), list);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
