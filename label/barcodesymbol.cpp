#include "label/barcodesymbol.h"

#include "label/labelerror.h"

#include <QCoreApplication>

#include <zint.h>

#include <cmath>
#include <memory>

namespace label {

BarcodeSymbol::BarcodeSymbol(int zintSymbology, const QString &symbologyName, const QString &value)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol *)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol)
        throw LabelError(
            QCoreApplication::translate("label::BarcodeSymbol", "Out of memory while encoding a barcode."));
    symbol->symbology = zintSymbology;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->whitespace_width = 0;
    symbol->border_width = 0;
    symbol->scale = 1.0f;
    const QByteArray data = value.toUtf8();
    const int rc = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->vector)
        throw LabelError(
            QCoreApplication::translate("label::BarcodeSymbol", "The barcode value \"%1\" cannot be encoded as %2: %3")
                .arg(value, symbologyName, QString::fromLatin1(symbol->errtxt)));
    m_width = symbol->width;
    m_height = symbol->rows;
    m_linear = symbol->rows == 1;
    if (m_width <= 0 || symbol->vector->width <= 0)
        throw LabelError(
            QCoreApplication::translate("label::BarcodeSymbol", "The barcode value \"%1\" gave an empty %2 symbol.")
                .arg(value, symbologyName));
    // Vector units per module (2 at scale 1); derive it rather than trust a constant.
    const double unit = double(symbol->vector->width) / m_width;
    for (const zint_vector_rect *r = symbol->vector->rectangles; r; r = r->next) {
        const int x = int(std::lround(r->x / unit));
        const int w = int(std::lround(r->width / unit));
        if (m_linear) {
            m_rects.append(QRect(x, 0, w, 1));
        } else {
            const int y = int(std::lround(r->y / unit));
            const int h = int(std::lround(r->height / unit));
            m_rects.append(QRect(x, y, w, h));
        }
    }
}

} // namespace label
