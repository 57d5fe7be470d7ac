#pragma once

#include <QString>

namespace platform {

// The file behind a local server of this name, or an empty text where the
// platform keeps no such file (a named pipe cannot be left behind).
QString localEndpointFile(const QString &serverName);

} // namespace platform
