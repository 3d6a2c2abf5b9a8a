#include "app/storagenotice.h"

#include "app/logfile.h"

#include <QCoreApplication>
#include <QStringList>

namespace app {

void StorageNotice::journalFailed(const QString &message)
{
    if (m_journalProblem.isEmpty())
        m_journalProblem = message;
}

QString StorageNotice::take()
{
    if (m_told)
        return QString();
    const QString logFile = logFileProblem();
    if (logFile.isEmpty())
        return QString();
    m_told = true;
    QStringList paragraphs{logFile};
    if (!m_journalProblem.isEmpty())
        paragraphs << m_journalProblem;
    paragraphs << QCoreApplication::translate(
        "app::StorageNotice",
        "Printing and the print log go on, but what IT needs to know, such as stickers "
        "printed and not recorded, is not kept on this workstation. Tell IT: the disk may "
        "be full, or Norvane's data folder may not be writable.");
    return paragraphs.join(QStringLiteral("\n\n"));
}

} // namespace app
