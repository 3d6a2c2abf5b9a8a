#include "labdb/server/batchlog.h"

#include <QDateTime>
#include <QMutexLocker>

namespace labdb::tds {

BatchLog::BatchLog(const QString &path)
    : m_path(path)
{
}

bool BatchLog::open(QString *error)
{
    if (m_path.isEmpty())
        return true;
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

QString BatchLog::escape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: out += c;
        }
    }
    return out;
}

QString BatchLog::unescape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'\\' || i + 1 == text.size()) {
            out += text.at(i);
            continue;
        }
        const QChar n = text.at(++i);
        out += n == u'r' ? QChar(u'\r') : n == u'n' ? QChar(u'\n') : n == u't' ? QChar(u'\t') : n;
    }
    return out;
}

void BatchLog::write(int connection, const QString &kind, const QString &text)
{
    if (m_path.isEmpty())
        return;
    QString line = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + QLatin1String(" #")
        + QString::number(connection) + u' ' + kind;
    if (!text.isEmpty())
        line += u' ' + escape(text);
    line += u'\n';
    QMutexLocker lock(&m_mutex);
    m_file.write(line.toUtf8());
    m_file.flush();
}

} // namespace labdb::tds
