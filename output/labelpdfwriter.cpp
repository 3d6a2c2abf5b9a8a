#include "output/labelpdfwriter.h"

#include <QDateTime>
#include <QList>

namespace output {

namespace {

// A PDF text string: UTF-16BE with a byte-order mark, written in hex.
QByteArray pdfText(const QString &text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode() + 0x10000, 16).right(4).toUpper();
    return hex + '>';
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'f', 4);
}

} // namespace

QByteArray LabelPdfWriter::toPdf(const QImage &dots, const QSizeF &pageMillimetres, const QString &title)
{
    const QImage image = dots.format() == QImage::Format_RGB32 ? dots : dots.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const int rowBytes = (w + 7) / 8;

    // DeviceGray, one bit per dot, rows top to bottom: 1 is white, 0 black.
    QByteArray bits(qsizetype(rowBytes) * h, '\0');
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        auto *out = reinterpret_cast<unsigned char *>(bits.data()) + qsizetype(y) * rowBytes;
        for (int x = 0; x < w; ++x)
            if (qGray(line[x]) >= 128)
                out[x >> 3] |= static_cast<unsigned char>(0x80u >> (x & 7));
    }
    const QByteArray packed = qCompress(bits, 6).mid(4); // a zlib stream after Qt's 4-byte length

    const double pageW = pageMillimetres.width() / 25.4 * 72.0;
    const double pageH = pageMillimetres.height() / 25.4 * 72.0;
    const QByteArray content = number(pageW) + " 0 0 " + number(pageH) + " 0 0 cm /Dots Do\n";

    QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QList<qsizetype> offsets;
    auto object = [&](const QByteArray &body) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(pageW) + ' ' + number(pageH)
           + "] /Resources << /XObject << /Dots 5 0 R >> >> /Contents 4 0 R >>");
    object("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream");
    object("<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h)
           + " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /FlateDecode /Length "
           + QByteArray::number(packed.size()) + " >>\nstream\n" + packed + "\nendstream");
    object("<< /Title " + pdfText(title) + " /Creator " + pdfText(QStringLiteral("Norvane")) + " /CreationDate ("
           + QDateTime::currentDateTimeUtc().toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")).toLatin1() + ") >>");

    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) + " /Root 1 0 R /Info 6 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace output
