#include "platform/configfolder.h"

#include <QDir>
#include <QStandardPaths>

#include <windows.h>

#include <shlobj.h>

namespace {

QString knownFolder(const KNOWNFOLDERID &id)
{
    wchar_t *path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

// The folder the installer was given, as it records it for itself (HKLM\Software\Orvelisk\Chronvale),
// written by an administrator only.
QString installedFolder()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Orvelisk\\Chronvale", nullptr, RRF_RT_REG_SZ, nullptr, folder,
                     &size)
        != ERROR_SUCCESS)
        return QString();
    return QDir::cleanPath(QDir::fromNativeSeparators(QString::fromWCharArray(folder)));
}

} // namespace

// Qt's configuration location is the local, not the roaming, application data here.
QString platform::userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool platform::isInstalledProgram(const QString &executableFolder)
{
    const QString installed = installedFolder();
    if (!installed.isEmpty()
        && QDir::cleanPath(QDir::fromNativeSeparators(executableFolder)).compare(installed, Qt::CaseInsensitive) == 0)
        return true;
    const QString folder = QDir::fromNativeSeparators(executableFolder) + QLatin1Char('/');
    for (const KNOWNFOLDERID &id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
        const QString programFiles = knownFolder(id);
        if (!programFiles.isEmpty() && folder.startsWith(programFiles + QLatin1Char('/'), Qt::CaseInsensitive))
            return true;
    }
    return false;
}
