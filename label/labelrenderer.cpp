#include "label/labelrenderer.h"

#include "label/barcodevalue.h"
#include "label/labelerror.h"
#include "label/labellogging.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace label {

namespace {

// One line per label text: breaks and tabs in a value would otherwise stack lines.
QString singleLine(QString text)
{
    for (QChar &c : text)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return text;
}

// Where a text is laid out within its box (in dots): one dot inside each edge, so
// that no glyph reaches the box's edge, where it could not be told from one cut.
QRectF textArea(const QRectF &box)
{
    return box.adjusted(1, 1, -1, -1);
}

// A font of a size in points at the label's resolution, whatever resolution the
// painter's device reports (a viewer may paint through a scaled painter).
class TextStyle
{
public:
    TextStyle(const QString &family, double pointSize, bool bold, const QPainter &painter, double dotsPerInch)
        : m_font(family)
        , m_device(painter.device())
    {
        const double deviceDpi = m_device && m_device->logicalDpiY() > 0 ? m_device->logicalDpiY() : dotsPerInch;
        m_font.setBold(bold);
        m_font.setPointSizeF(std::max(0.5, pointSize * dotsPerInch / deviceDpi));
    }

    double width(const QString &text) const { return QFontMetricsF(m_font, m_device).horizontalAdvance(text); }
    // The height every glyph of the font fits in: accents above capitals and
    // descenders included.
    double height() const
    {
        const QFontMetricsF metrics(m_font, m_device);
        return metrics.ascent() + metrics.descent();
    }

    // Draws text inside box, elided at the right if it is too wide; never outside.
    // The text is laid out one dot inside the box's edges (see textArea).
    void draw(QPainter &painter, const QRectF &box, int alignment, const QString &text) const
    {
        const QFontMetricsF metrics(m_font, m_device);
        const QRectF area = textArea(box);
        const QString shown = metrics.horizontalAdvance(text) <= area.width()
            ? text
            : metrics.elidedText(text, Qt::ElideRight, area.width());
        painter.save();
        painter.setFont(m_font);
        painter.setPen(Qt::black);
        painter.setClipRect(box, Qt::IntersectClip);
        painter.drawText(area, alignment | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter.restore();
    }

private:
    QFont m_font;
    QPaintDevice *m_device;
};

} // namespace

LabelRenderer::LabelRenderer(Label label, double dotsPerInch)
    : m_label(std::move(label))
    , m_dpi(dotsPerInch)
{
    if (!(dotsPerInch >= 50 && dotsPerInch <= 4800))
        throw LabelError(
            QCoreApplication::translate("label::LabelRenderer", "Cannot print a label at %1 dots per inch.")
                .arg(dotsPerInch));
    const LabelTemplate &t = m_label.labelTemplate;
    m_labelSize = QSize(int(std::lround(dots(t.width))), int(std::lround(dots(t.height))));
    if (double(m_labelSize.width()) * m_labelSize.height() > 120e6)
        throw LabelError(QCoreApplication::translate("label::LabelRenderer",
                                                     "The %1 x %2 mm label is too large to print at %3 dots per inch.")
                             .arg(t.width)
                             .arg(t.height)
                             .arg(dotsPerInch));

    for (int i = 0; i < t.barcodes.size(); ++i) {
        const LabelTemplate::BarcodeItem &item = t.barcodes.at(i);
        const QString value = m_label.value(item.field);
        if (value.isEmpty())
            throw LabelError(
                QCoreApplication::translate("label::LabelRenderer",
                                            "The barcode value (field \"%1\") is empty: a sticker without a barcode "
                                            "cannot be printed.")
                    .arg(t.fields.at(item.field).name));
        if (isBlankBarcode(value))
            throw LabelError(
                QCoreApplication::translate("label::LabelRenderer",
                                            "The barcode value (field \"%1\") holds only blanks: a sticker without a "
                                            "readable barcode cannot be printed.")
                    .arg(t.fields.at(item.field).name));
        if (const QString refusal = unprintableBarcodeMessage(value); !refusal.isEmpty())
            throw LabelError(refusal);
        PlacedBarcode placed{i, value, BarcodeSymbol(item.symbology, item.symbologyName, value), 1, {}, 0, {}};
        // Whole dots per module, never less than one.
        placed.moduleDots = std::max(1, int(std::lround(dots(item.moduleWidth))));
        const int m = placed.moduleDots;
        const int needW = (placed.symbol.widthModules() + 2 * item.quietZone) * m;
        const int boxLeft = int(std::lround(dots(item.box.x())));
        const int boxW = int(std::floor(dots(item.box.width()) + 1e-6));
        const int barTop = int(std::lround(dots(item.box.y())));
        const int barDots = int(std::lround(dots(item.barHeight)));
        const double usedMm = needW * 25.4 / m_dpi;
        if (needW > boxW) {
            qCWarning(lcPrint,
                      "Barcode \"%s\" needs %.1f mm with its quiet zones at a module of %.3f mm; its box "
                      "(template line %d) is %.1f mm wide",
                      qPrintable(value), usedMm, m * 25.4 / m_dpi, item.line, item.box.width());
            throw LabelError(
                QCoreApplication::translate("label::LabelRenderer",
                                            "The barcode \"%1\" is too long to fit on the sticker. Nothing was printed "
                                            "for it. Uncheck this exam to print the others, and tell the laboratory "
                                            "that this barcode is too long for the stickers.")
                    .arg(value));
        }
        const int needH = (placed.symbol.heightModules() + 2 * item.quietZone) * m;
        if (!placed.symbol.isLinear()) {
            if (needH > barDots)
                throw LabelError(
                    QCoreApplication::translate("label::LabelRenderer",
                                                "The %1 symbol for \"%2\" is %3 mm tall with its quiet zones and does "
                                                "not fit its %4 mm bar height.")
                        .arg(item.symbologyName, value)
                        .arg(needH * 25.4 / m_dpi, 0, 'f', 1)
                        .arg(item.barHeight, 0, 'f', 1));
        }
        placed.origin = QPoint(boxLeft + (boxW - needW) / 2 + item.quietZone * m,
                               placed.symbol.isLinear() ? barTop : barTop + (barDots - needH) / 2 + item.quietZone * m);
        placed.barDots = barDots;
        if (item.humanReadable)
            placed.textBox = QRectF(dots(item.box.x()), barTop + barDots, dots(item.box.width()),
                                    dots(item.textHeight()));
        m_barcodes.append(placed);
    }
}

void LabelRenderer::paint(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(0, 0), m_labelSize), Qt::white);
    painter.setPen(Qt::black);
    const LabelTemplate &t = m_label.labelTemplate;
    for (const LabelTemplate::ItemRef &ref : t.order) {
        if (ref.kind == LabelTemplate::ItemKind::Text)
            paintText(painter, ref.index);
        else
            paintBarcode(painter, m_barcodes.at(ref.index));
    }
    painter.restore();
}

void LabelRenderer::paintText(QPainter &painter, int index) const
{
    const LabelTemplate::TextItem &item = m_label.labelTemplate.texts.at(index);
    QString text;
    for (const LabelTemplate::TextPart &part : item.parts) {
        const QString value = part.field < 0 ? part.literal : m_label.value(part.field);
        if (part.field >= 0 && item.hideWhenEmpty && value.trimmed().isEmpty())
            return;
        text += value;
    }
    text = singleLine(text);
    if (text.isEmpty())
        return;
    const QRectF box(dots(item.box.x()), dots(item.box.y()), dots(item.box.width()), dots(item.box.height()));
    double size = item.pointSize;
    TextStyle style(item.family, size, item.bold, painter, m_dpi);
    // A font taller than its box would lose the tops of accents and the tails of
    // descenders: it is drawn smaller until every glyph fits the box's height.
    const QRectF area = textArea(box);
    while (size > 1 && style.height() > area.height()) {
        size *= 0.95;
        style = TextStyle(item.family, size, item.bold, painter, m_dpi);
    }
    if (item.overflow == LabelTemplate::Overflow::Shrink) {
        // Smaller in 5% steps until it fits, down to 40% of the size or 4 points;
        // below that it is elided like any other text.
        const double floorSize = std::min(size, std::max(4.0, item.pointSize * 0.4));
        while (size > floorSize && style.width(text) > area.width()) {
            size = std::max(floorSize, size * 0.95);
            style = TextStyle(item.family, size, item.bold, painter, m_dpi);
        }
    }
    style.draw(painter, box, item.alignment, text);
}

void LabelRenderer::paintBarcode(QPainter &painter, const PlacedBarcode &barcode) const
{
    const LabelTemplate::BarcodeItem &item = m_label.labelTemplate.barcodes.at(barcode.item);
    const int m = barcode.moduleDots;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const QRect &r : barcode.symbol.modules()) {
        const QRect bar = barcode.symbol.isLinear()
            ? QRect(barcode.origin.x() + r.x() * m, barcode.origin.y(), r.width() * m, barcode.barDots)
            : QRect(barcode.origin.x() + r.x() * m, barcode.origin.y() + r.y() * m, r.width() * m, r.height() * m);
        painter.fillRect(bar, Qt::black);
    }
    painter.restore();
    if (!barcode.textBox.isEmpty())
        TextStyle(item.family, item.textSize, item.textBold, painter, m_dpi)
            .draw(painter, barcode.textBox, Qt::AlignHCenter, singleLine(barcode.value));
}

QImage LabelRenderer::renderImage(const Label &label, double dotsPerInch)
{
    return LabelRenderer(label, dotsPerInch).toImage();
}

QImage LabelRenderer::toImage(bool blackAndWhite) const
{
    QImage image(m_labelSize, QImage::Format_RGB32);
    const int dpm = int(std::lround(m_dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    if (blackAndWhite) // each dot on or off at half coverage, as a thermal head prints
        return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    return image;
}

void LabelRenderer::paintDots(QPainter &painter) const
{
    // Lossless: by default Qt stores images in PDF files and print jobs as JPEG, which
    // would blur the bars' edges.
    painter.save();
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRect(QPoint(0, 0), m_labelSize), toImage(true));
    painter.restore();
}

void render(QPainter &painter, const Label &label, double dotsPerInch)
{
    LabelRenderer(label, dotsPerInch).paint(painter);
}

} // namespace label
