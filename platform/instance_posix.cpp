#include "platform/instance.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {

namespace {

// The user's runtime folder (XDG_RUNTIME_DIR, or one Qt makes with mode 0700); where it cannot be
// had, the temporary folder with the user's number in the names.
QString privatePath(const QString &name)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(name);
    return QDir::temp().filePath(name + QLatin1Char('-') + QString::number(getuid()));
}

} // namespace

QString instanceServerName(const QString &name)
{
    return privatePath(name);
}

QString instanceLockFile(const QString &name)
{
    return privatePath(name) + QStringLiteral(".lock");
}

} // namespace platform
