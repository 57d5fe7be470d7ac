#include "settings/settingsfolder.h"
#include "platform/configfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// Asked of the file system itself: permission bits say nothing of a read-only mount or of NTFS rights,
// and an installed program's folder (/usr/bin, C:\Program Files) is not its users' to write.
bool canCreateFileIn(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.ntp.ini.XXXXXX"));
    return probe.open();
}

} // namespace

QString settingsFolderFor(const QString &executableFolder)
{
    if (canCreateFileIn(executableFolder))
        return executableFolder;
    const QString configFolder = platform::userConfigFolder();
    QDir().mkpath(configFolder);
    const QString own = configFolder + QStringLiteral("/ntp.ini");
    const QString preset = executableFolder + QStringLiteral("/ntp.ini");
    if (!QFile::exists(own) && QFileInfo(preset).isFile() && QFile::copy(preset, own))
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
    return configFolder;
}
