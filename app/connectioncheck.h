#pragma once

class QTextStream;

namespace app {

// norvane --check-connection: reads the connection settings and opens the
// connection exactly as the start does, then writes to `out` where the settings
// come from (the files, and the file of each value), what is wrong with the files
// themselves (settings/settingswarnings.h), the label template in use, what was tried
// (server, database, user, driver; never the password) and either "Connected." or
// the driver's own reason. Returns the exit status:
// 0 when the connection opened, 1 when it did not. Needs no window system.
int checkConnection(QTextStream &out);

} // namespace app
