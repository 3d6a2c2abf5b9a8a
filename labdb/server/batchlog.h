#pragma once

#include <QFile>
#include <QMutex>
#include <QString>

namespace labdb::tds {

// The server's log: one line per request received, shared by every connection.
// A line reads "<UTC time> #<connection> <kind> <text>", for example
//   2026-12-10T01:40:00.123Z #1 BATCH Laboratory..Lab_Barcode_GetRequests 'T55C',3
// kind is LOGIN, BATCH, RPC, TM, ATTENTION or CLOSE. Backslash, CR, LF and TAB in
// the text are written as \\, \r, \n and \t so a request keeps to its one line.
class BatchLog
{
public:
    // An empty path gives a log that writes nothing.
    explicit BatchLog(const QString &path = {});

    bool open(QString *error);
    void write(int connection, const QString &kind, const QString &text = {});

    static QString escape(const QString &text);
    static QString unescape(const QString &text);

private:
    QString m_path;
    QFile m_file;
    QMutex m_mutex;
};

} // namespace labdb::tds
