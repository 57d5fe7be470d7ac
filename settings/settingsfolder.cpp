#include "settings/settingsfolder.h"

#include "platform/configfolder.h"
#include "settings/inifile.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// Asked of the file system itself: permission bits say nothing of a read-only mount or of NTFS rights.
bool canCreateFileIn(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.ntp.ini.XXXXXX"));
    return probe.open();
}

// The administrator's preset, copied for this user. Certificates named relative to the preset's folder
// are named absolutely in the copy, so that the company's CA is still found from the user's folder.
void startFromPreset(const QString &preset, const QString &own)
{
    if (QFile::exists(own) || !QFileInfo(preset).isFile())
        return;
    const settingsstore::Stored stored = settingsstore::read(preset);
    inifile::Document document = inifile::parse(stored.bytes);
    const QString certs = document.values.value(QStringLiteral("nts/trustedCerts"));
    const bool relative = stored.readable && !certs.isEmpty() && QDir::isRelativePath(certs);
    if (relative) {
        document.values.insert(QStringLiteral("nts/trustedCerts"), QFileInfo(preset).dir().absoluteFilePath(certs));
        settingsstore::replace(own, inifile::format(document.values));
    } else if (!QFile::copy(preset, own)) {
        return;
    }
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

QString settingsFolderFor(const QString &executableFolder, bool installed)
{
    if (!installed && canCreateFileIn(executableFolder))
        return executableFolder;
    const QString configFolder = platform::userConfigFolder();
    QDir().mkpath(configFolder);
    startFromPreset(executableFolder + QStringLiteral("/ntp.ini"), configFolder + QStringLiteral("/ntp.ini"));
    return configFolder;
}
