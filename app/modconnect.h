#pragma once

#include "db/dbconnection.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

// The start-up module: reads the connection settings, opens the program's one
// database connection and shows the main window, or says that the server cannot
// be reached.
namespace app::modConnect {

// The program's one database connection (db/dbconnection.h).
using db::DbConnection;

// The connection settings, written only by LoadConnectionSettings and read only
// by OpenConnection; they live as long as the program.
extern QString DbServer;
extern QString DbName;
extern QString DbUser;
extern QString DbPassword;

// Where the settings are kept: application, section, and the text shown when the
// connection cannot be opened.
inline constexpr const char16_t *kSettingsApplication = settings::kApplication;
inline constexpr char16_t kSettingsSection[] = u"Connection";
inline constexpr char16_t kPasswordKey[] = u"Password";
inline constexpr char kUnableToConnect[] = QT_TRANSLATE_NOOP("app::modConnect",
                                                             "Unable to contact the database server.");

// Shows the main window modally and returns when it has closed.
using ShowMainWindow = std::function<void()>;

// The program's start: logs what is wrong with the settings files themselves
// (settings/settingswarnings.h), opens the connection, then shows the main window through
// showMainWindow, or the warning "Unable to contact the database server." without
// ever creating the main window. Returns when either has been closed: true when the
// main window was shown, false when the connection failed. After a failure, before the
// warning shows, the driver's reason goes to the program's log (norvane.app), with
// what was tried, and to standard error.
bool Main(const ShowMainWindow &showMainWindow);

// Reads "Server", "Database", "User" and "Password" of the section "Connection"
// into DbServer, DbName, DbUser and DbPassword; an absent key reads as "".
void LoadConnectionSettings();

// Reads the settings and opens DbConnection with them (the program's connection
// string, "Provider=SQLOLEDB;Server=...;UID=...;Database=...;Password=...", and
// its translation for the driver are built by the client), and with the settings
// beside them (settings/connectionoptions.h): encryption, and the dates' locale, which it
// sets for the general date form. Any failure gives false;
// nothing is shown, and the failure's description goes to *failure when given.
bool OpenConnection(QString *failure = nullptr);

// What OpenConnection tried, for the log and --check-connection: server, database,
// user and driver of the settings last read, never the password, e.g.
// server "LABSRV,1433", database "Laboratory", user "lab_barcode", ODBC driver "FreeTDS".
QString describeConnectionAttempt();

} // namespace app::modConnect
