#include "labdb/labdatabase.h"

#include "labdb/connection.h"
#include "labdb/sampledata.h"
#include "labdb/session.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace labdb {

namespace {

// Codes are texts where the hospital's are texts; ids are integers. Dates are
// local date-times in ISO form ("2024-12-09T07:15:00"). The log tables keep the
// procedures' arguments exactly as received, one row per call: a barcode printed
// twice is logged twice.
const char *const schema[] = {
    "CREATE TABLE sections (section_id INTEGER PRIMARY KEY, name TEXT NOT NULL)",
    "CREATE TABLE specimens (specimen_id INTEGER PRIMARY KEY, name TEXT NOT NULL)",
    "CREATE TABLE profiles (profile_id INTEGER PRIMARY KEY, name TEXT NOT NULL)",
    "CREATE TABLE patients ("
    " hosp_num TEXT PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " age TEXT NOT NULL,"
    " sex TEXT NOT NULL CHECK (sex IN ('M', 'F')))",
    "CREATE TABLE chargeslips ("
    " ref_num TEXT PRIMARY KEY,"
    " hosp_num TEXT NOT NULL REFERENCES patients (hosp_num),"
    " id_num TEXT NOT NULL,"
    " transdate TEXT NOT NULL,"
    " room_id TEXT)", // NULL for an outpatient
    "CREATE TABLE requests ("
    " request_num INTEGER PRIMARY KEY,"
    " ref_num TEXT NOT NULL REFERENCES chargeslips (ref_num),"
    " section_id INTEGER NOT NULL REFERENCES sections (section_id))",
    "CREATE TABLE exams ("
    " item_id INTEGER PRIMARY KEY,"
    " request_num INTEGER NOT NULL REFERENCES requests (request_num),"
    " exam_name TEXT NOT NULL,"
    " barcode TEXT NOT NULL,"
    " instrument TEXT," // NULL for a manual exam
    " specimen_id INTEGER NOT NULL REFERENCES specimens (specimen_id),"
    " profile_id INTEGER NOT NULL DEFAULT 0)", // 0: not part of a profile
    "CREATE INDEX exams_barcode ON exams (barcode)",
    "CREATE INDEX exams_request ON exams (request_num)",
    "CREATE INDEX requests_ref ON requests (ref_num)",
    "CREATE TABLE barcode_log_master ("
    " log_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " ref_num TEXT NOT NULL, id_num TEXT NOT NULL, hosp_num TEXT NOT NULL, barcode TEXT NOT NULL,"
    " item_id TEXT NOT NULL, specimen_id TEXT NOT NULL, section_id TEXT NOT NULL,"
    " request_num TEXT NOT NULL, profile_id TEXT NOT NULL,"
    " saved_at TEXT NOT NULL)",
    "CREATE TABLE barcode_log_date ("
    " log_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " request_num TEXT NOT NULL, item_id TEXT NOT NULL, section_id TEXT NOT NULL,"
    " print_date TEXT NOT NULL," // the workstation's date text, as sent
    " status TEXT NOT NULL,"     // '0': printed, specimen not yet received
    " remarks TEXT NOT NULL,"
    " saved_at TEXT NOT NULL)",
    "INSERT INTO sections VALUES (1, 'Hematology'), (2, 'Clinical Chemistry'), (3, 'Clinical Microscopy'),"
    " (4, 'Microbiology'), (5, 'Immunology')",
    "INSERT INTO specimens VALUES (1, 'EDTA whole blood'), (2, 'Citrated plasma'), (3, 'Serum'), (4, 'Urine'),"
    " (5, 'Stool'), (6, 'Blood culture bottle')",
    "INSERT INTO profiles VALUES (0, '(none)'), (1, 'Lipid profile'), (2, 'Electrolytes')",
};

} // namespace

void createDatabase(const QString &path)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        QFile file(path + suffix);
        if (file.exists() && !file.remove())
            throw SqlError(50000,
                           QStringLiteral("Cannot replace the laboratory database file %1: %2")
                               .arg(file.fileName(), file.errorString()));
    }
    Connection connection(path, false);
    // WAL lets searches read while another session's print log is being written.
    connection.run(QStringLiteral("PRAGMA journal_mode = WAL"));
    connection.run(QStringLiteral("BEGIN"));
    for (const char *statement : schema)
        connection.run(QLatin1String(statement));
    connection.run(QStringLiteral("COMMIT"));
}

void createDemoDatabase(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw SqlError(50000, QStringLiteral("Cannot create the folder %1.").arg(folder));
    createDatabase(path);
    seedSampleData(path, QDate::currentDate());
}

QString defaultDemoDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Norvane/demo/laboratory.sqlite");
}

} // namespace labdb
