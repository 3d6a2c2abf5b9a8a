#include "app/journalcommand.h"

#include "journal/journaltext.h"
#include "journal/printjournal.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace app {

int printJournal(QTextStream &out, QTextStream &err, const QString &path, const QString &since)
{
    const QDateTime from = since.isEmpty() ? QDate::currentDate().startOfDay() : journal::sinceTime(since);
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path)) {
        out << journal::journalText({});
        err << "norvane: there is no print journal at " << shownPath
            << " yet: nothing has been printed on this workstation.\n";
        return 0;
    }
    journal::PrintJournal printJournal;
    bool read = printJournal.open(path);
    const QList<journal::Line> lines = read ? printJournal.linesSince(from, &read) : QList<journal::Line>();
    if (!read) {
        err << "norvane: the print journal " << shownPath << " cannot be read: " << printJournal.lastError() << '\n';
        return 1;
    }
    out << journal::journalText(lines);
    return 0;
}

} // namespace app
