#pragma once

#include <QString>

namespace platform {

// Where the single-instance guard of this user lives: the local server's name and its lock file, in a
// place only this user can write, so that another user can neither take the name first nor answer
// in this user's place.
QString instanceServerName(const QString &name);
QString instanceLockFile(const QString &name);

} // namespace platform
