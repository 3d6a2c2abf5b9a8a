#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace label {

// A barcode encoded by Zint, as dark rectangles on a grid of modules (one module is
// one unit). Drawing scales it by a whole number of device dots per module.
class BarcodeSymbol
{
public:
    // Throws LabelError with Zint's own text when the value cannot be encoded.
    BarcodeSymbol(int zintSymbology, const QString &symbologyName, const QString &value);

    int widthModules() const { return m_width; }
    int heightModules() const { return m_height; } // rows for matrix codes, 1 for linear ones
    bool isLinear() const { return m_linear; }
    const QList<QRect> &modules() const { return m_rects; }

private:
    QList<QRect> m_rects;
    int m_width = 0;
    int m_height = 0;
    bool m_linear = true;
};

} // namespace label
