#pragma once

#include <QString>

class QTextStream;

namespace app {

// norvane --journal [--since DATE]: writes the lines of the print journal at path
// written since the moment that since names (journal::sinceTime; empty: today's
// first moment) to out, as journal::journalText makes them, and returns 0; when the
// journal cannot be read, says why on err and returns 1. A journal that does not
// exist yet is not made: the header alone, and on err that nothing was printed.
int printJournal(QTextStream &out, QTextStream &err, const QString &path, const QString &since);

} // namespace app
