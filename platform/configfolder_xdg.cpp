#include "platform/configfolder.h"

#include <QFileInfo>
#include <QStandardPaths>

QString platform::userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

bool platform::isInstalledProgram(const QString &executableFolder)
{
    const QString folder = QFileInfo(executableFolder).canonicalFilePath() + QLatin1Char('/');
    return folder.startsWith(QLatin1String("/usr/")) || folder.startsWith(QLatin1String("/opt/"));
}
