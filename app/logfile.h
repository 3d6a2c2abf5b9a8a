#pragma once

#include <QString>

// The program's log file, for the site's IT: every message of Qt's logging
// categories (norvane.app, norvane.db, norvane.print, norvane.ui and Qt's own)
// goes to a plain text file in the program's data folder and to standard error,
// one line each:
//   2026-12-10T11:45:00.123+08:00 norvane.db warning: Print log of barcode "T1000001C" rolled back: ...
// The file is kept below kLogFileMaxBytes: when a line would pass it, norvane.log
// becomes norvane.log.1 (an older .1 becomes .2, and so on up to kLogFilesKept
// old files; the oldest goes).
namespace app {

inline constexpr qint64 kLogFileMaxBytes = 1024 * 1024;
inline constexpr int kLogFilesKept = 3;

// The log file's usual place: norvane.log in the program's data folder (on Linux
// ~/.local/share/Norvane, on Windows %LOCALAPPDATA%\Norvane). Needs the
// application's name set.
QString defaultLogFilePath();

// Installs the message handler, writing to path (defaultLogFilePath() when empty);
// creates the folder. Returns the file's path. Messages still go to standard
// error if the file cannot be written. Call it first thing in main(); calling it
// again moves the log to the new path.
QString installLogFile(const QString &path = QString());

// Puts Qt's own message handler back and closes the file (tests).
void removeLogFile();

// Why the log file could not be written since it was installed (the folder or
// the file cannot be made or opened, a line did not reach the disk: a full disk,
// a folder without write permission), in plain words with the file's path; empty
// while every line reached it. Once set it stays until the log is installed
// again: the lines lost meanwhile are gone. The first failure is also said on
// standard error; what the staff see of it is the caller's (app::StorageNotice).
QString logFileProblem();

} // namespace app
