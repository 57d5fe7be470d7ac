#include "settings/settingsfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// An installed program's folder (/usr/local/bin, say) is not its users' to write.
QString settingsFolderFor(const QString &executableFolder)
{
    if (QFileInfo(executableFolder).isWritable())
        return executableFolder;
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(configFolder);
    return configFolder;
}
