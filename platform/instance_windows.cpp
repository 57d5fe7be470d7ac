#include "platform/instance.h"

#include <QDir>

namespace platform {

// Named pipes share one namespace: the user's name keeps users apart. The lock goes into the user's
// own temporary folder.
QString instanceServerName(const QString &name)
{
    return name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
}

QString instanceLockFile(const QString &name)
{
    return QDir::temp().filePath(name + QStringLiteral(".lock"));
}

} // namespace platform
