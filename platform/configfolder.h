#pragma once

#include <QString>

namespace platform {

// Where a user's own ntp.ini lives when the program's folder is not theirs to write: the configuration
// folder on Linux (~/.config/Orvelisk/SChronvaleS), the roaming application data on Windows
// (%APPDATA%\Orvelisk\SChronvaleS), which follows the user from one computer to another.
QString userConfigFolder();

// Whether the program in executableFolder was installed for every user of the machine (a package under
// /usr or /opt; Program Files, or the folder the installer was given), rather than unpacked into a folder
// of someone's own. Told by where it is, whoever runs it: an administrator or root may write there too.
bool isInstalledProgram(const QString &executableFolder);

} // namespace platform
