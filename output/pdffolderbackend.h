#pragma once

#include "output/labelbackend.h"

#include <QString>

namespace output {

// One PDF file per job in a folder (norvane --print-to DIR, the demo, tests,
// norvane-label --pdf), made when missing. Files are named "0007-<barcode>.pdf": a
// sequence number that keeps the jobs' order, starting after the highest number
// already in the folder, so that a new run never writes over or sorts before an
// earlier run's files; then the label's first barcode.
class PdfFolderBackend : public LabelBackend
{
public:
    // Resolution of the files: a common thermal label printer's, so that a PDF shows
    // the same whole-dot barcode the printer would print.
    static constexpr double DotsPerInch = 203;

    explicit PdfFolderBackend(QString directory);

    QString directory() const { return m_directory; }
    PrintedJob print(const label::Label &label) override;

    // The barcode's part of a file name, e.g. "A12 34" -> "A12_34": characters unsafe
    // in file names replaced, at most 64 of them, never a leading dot.
    static QString safeFileNamePart(const QString &text);

private:
    QString m_directory;
    QString m_sequenceDirectory; // the folder the next number was found for
    int m_nextSequence = 1;
};

} // namespace output
