// labdb-log: prints the print-log rows of a laboratory database file.
//   labdb-log [database-file]   (default: the demo database)

#include "labdb/labdatabase.h"
#include "labdb/printlog.h"
#include "labdb/session.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1
        || (args.size() == 1 && (args.first() == QLatin1String("-h") || args.first() == QLatin1String("--help")))) {
        (args.size() > 1 ? err : out) << "Usage: labdb-log [database-file]\n"
                                         "Prints the rows that Lab_Barcode_SaveMaster and Lab_Barcode_SaveDate wrote.\n"
                                         "Without a file, reads the demo database "
                                      << labdb::defaultDemoDatabasePath() << ".\n";
        return args.size() > 1 ? 2 : 0;
    }
    const QString path = args.isEmpty() ? labdb::defaultDemoDatabasePath() : args.first();
    try {
        const labdb::PrintLog log = labdb::PrintLog::read(path);
        out << "Print log of " << path << "\n\n" << log.toText();
    } catch (const labdb::SqlError &e) {
        err << "labdb-log: " << path << ": " << e.message() << '\n';
        return 1;
    }
    return 0;
}
