#include "output/pdffolderbackend.h"

#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "output/labelpdfwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace output {

using label::LabelError;

namespace {

// The first number after the highest "NNNN-" file already in the folder.
int firstFreeSequence(const QDir &dir)
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d{4,9})-"));
    int highest = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const auto match = numbered.match(name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return highest + 1;
}

} // namespace

PdfFolderBackend::PdfFolderBackend(QString directory)
    : m_directory(std::move(directory))
{
}

QString PdfFolderBackend::safeFileNamePart(const QString &text)
{
    QString out;
    for (const QChar c : text.left(64)) {
        const bool safe = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'-'
            || c == u'_' || c == u'.';
        out += safe ? c : QChar(u'_');
    }
    if (out.startsWith(u'.'))
        out[0] = u'_';
    return out.isEmpty() ? QStringLiteral("label") : out;
}

PrintedJob PdfFolderBackend::print(const label::Label &label)
{
    QDir dir(m_directory);
    if (!dir.exists() && !QDir().mkpath(m_directory))
        throw LabelError(QCoreApplication::translate("output::PdfFolderBackend",
                                                     "The folder \"%1\" for the printed labels cannot be created.")
                             .arg(m_directory));
    const label::LabelRenderer renderer(label, DotsPerInch);
    const label::LabelTemplate &t = label.labelTemplate;
    const QByteArray pdf = LabelPdfWriter::toPdf(renderer.toImage(), QSizeF(t.width, t.height), label.title);

    const QString key = dir.canonicalPath();
    if (key != m_sequenceDirectory) {
        m_sequenceDirectory = key;
        m_nextSequence = firstFreeSequence(dir);
    }
    const QString barcode = safeFileNamePart(renderer.firstBarcodeValue());
    QFile file;
    for (int attempt = 0;; ++attempt) {
        file.setFileName(
            dir.filePath(QStringLiteral("%1-%2.pdf").arg(m_nextSequence++, 4, 10, QChar(u'0')).arg(barcode)));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!file.exists() || attempt > 1000)
            throw LabelError(
                QCoreApplication::translate("output::PdfFolderBackend", "The label file \"%1\" cannot be written: %2")
                    .arg(file.fileName(), file.errorString()));
    }

    const bool ok = file.write(pdf) == pdf.size();
    file.close();
    if (!ok || file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        file.remove();
        throw LabelError(
            QCoreApplication::translate("output::PdfFolderBackend", "The label file \"%1\" cannot be written: %2")
                .arg(file.fileName(), why));
    }
    return PrintedJob{QString(), 0, file.fileName()};
}

} // namespace output
