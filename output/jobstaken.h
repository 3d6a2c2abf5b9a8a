#pragma once

#include <QList>
#include <QString>

namespace output {

// Whether the printer took the print jobs of one label job (LabelOutput::waitUntilTaken).
struct JobsTaken
{
    enum class Status {
        Taken,          // every job went to the printer whole; also when jobs cannot be followed
                        // (Qt's printing, PDF files, no CUPS) or the check is off
        NotAnswering,   // jobs still wait in the queue: the printer took none for the whole bound
        Failed,         // a job was cancelled or given up in the queue: its sticker did not print
        ServiceMissing, // the print service stopped answering, or the queue went with the jobs
    };
    Status status = Status::Taken;
    QString printer;    // the queue followed; empty when none was
    QList<int> waiting; // NotAnswering: the ids of the jobs still in the queue, in order
    QString message;    // Failed, ServiceMissing: for the staff. NotAnswering: what the queue
                        // says of its printer, for IT (may be empty)
};

} // namespace output
