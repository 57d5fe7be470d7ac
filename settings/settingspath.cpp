#include "settings/settingspath.h"

#include "platform/configfolder.h"
#include "settings/settingsfolder.h"

#include <QCoreApplication>
#include <QDebug>

namespace {
QString &directoryOverride()
{
    static QString directory;
    return directory;
}
} // namespace

void setSettingsDirectoryOverride(const QString &directory)
{
    directoryOverride() = directory;
}

QString settingsFilePath()
{
    const QString program = QCoreApplication::applicationDirPath();
    const QString directory = directoryOverride().isEmpty()
                                  ? settingsFolderFor(program, platform::isInstalledProgram(program))
                                  : directoryOverride();
    const QString path = QStringLiteral("%1/ntp.ini").arg(directory);
    qDebug().noquote() << "exe dir" << path;
    return path;
}
