#include "platform/localendpoint.h"

#include <QDir>

namespace platform {

QString localEndpointFile(const QString &serverName)
{
    // Where QLocalServer puts a name without a path.
    if (serverName.startsWith(QLatin1Char('/')))
        return serverName;
    return QDir::cleanPath(QDir::tempPath() + QLatin1Char('/') + serverName);
}

} // namespace platform
