#pragma once

#include <QString>

#include <optional>

namespace settings {

class SettingsStore;

// The settings beside [Connection], in the same store and read only like those:
//   [Encryption]
//   Encrypt=yes        require an encrypted connection (no: refuse one; absent:
//                      what the driver does by itself)
//   CAFile=/etc/ssl/hospital-ca.pem
//                      verify the server's certificate against this CA and its
//                      name against the Server setting; requires encryption
//                      ("system": the system's CAs; on Windows any value verifies
//                      against the Windows certificate store)
//   [Dates]
//   Locale=en_US       the locale of the date texts sent to the server (absent:
//                      the workstation's)
struct ConnectionOptions
{
    std::optional<bool> encrypt;
    QString caFile;
    QString dateLocale; // as written; empty: the workstation's
    // A value that cannot be understood, in plain words; empty when all are.
    QString problem;
};

ConnectionOptions readConnectionOptions(const SettingsStore &store);

} // namespace settings
