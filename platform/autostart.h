#pragma once

#include <QString>

namespace platform {

// Start the program at the user's logon, keyed by name; replaces an earlier registration of
// that name. Returns whether the registration was written.
bool registerStartAtLogon(const QString &name, const QString &executablePath);
// Undo that registration, leaving a disabled one under the same name.
bool clearStartAtLogon(const QString &name);

} // namespace platform
