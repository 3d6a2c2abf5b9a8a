#pragma once

#include <QString>

namespace app {

// What the staff are told once in a run of the program when its own records on this
// workstation cannot be kept: the log file cannot be written (a full disk, a data
// folder without write permission), so that printed barcodes given up and every
// other line for IT would be lost without a word. A print journal that cannot be
// written is told in the log file by the journal itself; only when the log file
// fails as well does it reach the screen, in the same notice.
class StorageNotice
{
public:
    // The print journal's failure handler hands its message here.
    void journalFailed(const QString &message);

    // The notice to show now: its text the first time the log file is found
    // failing (app::logFileProblem), empty every other time.
    QString take();

private:
    QString m_journalProblem;
    bool m_told = false;
};

} // namespace app
