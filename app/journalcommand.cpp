#include "app/journalcommand.h"

#include "journal/journaltext.h"
#include "journal/printjournal.h"

#include <QCoreApplication>
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
        err << "norvane: "
            << QCoreApplication::translate(
                   "app::JournalCommand",
                   "there is no print journal at %1 yet: nothing has been printed on this workstation.")
                   .arg(shownPath)
            << '\n';
        return 0;
    }
    journal::PrintJournal printJournal;
    bool read = printJournal.open(path);
    const QList<journal::Line> lines = read ? printJournal.linesSince(from, &read) : QList<journal::Line>();
    if (!read) {
        err << "norvane: "
            << QCoreApplication::translate("app::JournalCommand", "the print journal %1 cannot be read: %2")
                   .arg(shownPath, printJournal.lastError())
            << '\n';
        return 1;
    }
    out << journal::journalText(lines);
    return 0;
}

} // namespace app
