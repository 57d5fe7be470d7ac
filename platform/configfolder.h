#pragma once

#include <QString>

namespace platform {

// Where a user's own ntp.ini lives when the program's folder is not theirs to write: the configuration
// folder on Linux (~/.config/Orvelisk/SChronvaleS), the roaming application data on Windows
// (%APPDATA%\Orvelisk\SChronvaleS), which follows the user from one computer to another.
QString userConfigFolder();

} // namespace platform
