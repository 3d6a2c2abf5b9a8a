#include "output/printserviceerror.h"

#include <QCoreApplication>

namespace output {

PrintServiceError::PrintServiceError(Kind kind, const QString &description)
    : label::LabelError(description)
    , m_kind(kind)
{
}

PrintServiceError PrintServiceError::notAnswering(const QString &server)
{
    const QString where = server.isEmpty()
        ? QCoreApplication::translate("output::PrintServiceError", "on this computer")
        : QCoreApplication::translate("output::PrintServiceError", "on the print server %1").arg(server);
    return PrintServiceError(
        Kind::NotAnswering,
        QCoreApplication::translate("output::PrintServiceError",
                                    "The print service (CUPS) %1 is not answering, so no sticker can be "
                                    "printed. Ask IT to check that the CUPS service is running (systemctl "
                                    "status cups) and that the label printer's queue exists (lpstat -p).")
            .arg(where));
}

PrintServiceError PrintServiceError::queueGone(const QString &queue)
{
    return PrintServiceError(
        Kind::QueueGone,
        QCoreApplication::translate("output::PrintServiceError",
                                    "The label printer's print queue \"%1\" does not exist in the print "
                                    "service (CUPS), so no sticker can be printed. Ask IT to check that the "
                                    "queue exists (lpstat -p) and is the default printer (lpstat -d).")
            .arg(queue));
}

} // namespace output
