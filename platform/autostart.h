#pragma once

#include <QString>

namespace platform {

// Start the program at the user's logon, keyed by name.
bool registerStartAtLogon(const QString &name, const QString &executablePath);
// Undo that registration.
bool clearStartAtLogon(const QString &name);

} // namespace platform
