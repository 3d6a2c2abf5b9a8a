#pragma once

#include "label/barcodesymbol.h"
#include "label/label.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QString>

class QPainter;

namespace label {

// Lays out and paints one label. The one drawing path for the printer, PDF files,
// images and the viewer. Painter coordinates are device dots, the label's top-left
// corner at (0, 0); dotsPerInch is the device's resolution, so that every barcode
// module is a whole number of dots.
//
// The constructor does everything that can fail (encoding the barcodes, checking that
// they fit their boxes), so a print job is only begun for a label that can be drawn.
class LabelRenderer
{
public:
    LabelRenderer(Label label, double dotsPerInch);

    // Draws the label with text and bars as shapes (images, the viewer).
    void paint(QPainter &painter) const;
    // Draws the label as the printer prints it: paint() into a black-and-white image
    // of the label's dots, placed dot for dot, stored losslessly. Used for print jobs,
    // so that a job carries exactly the printer's dots and no fonts (embedding a font
    // costs about 4 ms per font per job). PDF files get the same dots (LabelPdfWriter).
    void paintDots(QPainter &painter) const;
    // The label painted into a white image of its dots; blackAndWhite gives a one-bit
    // image, every dot fully on or off (smoothed text edges included).
    QImage toImage(bool blackAndWhite = false) const;

    QSize labelSizeDots() const { return m_labelSize; }
    // The first barcode's value, or empty when the label has none (names PDF files).
    QString firstBarcodeValue() const { return m_barcodes.isEmpty() ? QString() : m_barcodes.first().value; }

    // The label painted into a white image at that resolution.
    static QImage renderImage(const Label &label, double dotsPerInch);

private:
    struct PlacedBarcode
    {
        int item = 0;
        QString value;
        BarcodeSymbol symbol;
        int moduleDots = 1;
        QPoint origin;   // top-left dot of the first module (after the quiet zone)
        int barDots = 0; // bar height of a linear symbol
        QRectF textBox;  // human-readable line, in dots; empty when off
    };

    double dots(double mm) const { return mm * m_dpi / 25.4; }
    void paintText(QPainter &painter, int item) const;
    void paintBarcode(QPainter &painter, const PlacedBarcode &barcode) const;

    Label m_label;
    double m_dpi;
    QSize m_labelSize;
    QList<PlacedBarcode> m_barcodes;
};

// Paints the label; see LabelRenderer.
void render(QPainter &painter, const Label &label, double dotsPerInch);

} // namespace label
