#include "helpers/loopbacksettings.h"

#include "settings/settingspath.h"

#include <QDir>
#include <QFile>

QByteArray loopbackSettingsText(const QStringList &entries, int current)
{
    QByteArray text = "[mainWindow]\nlocalPort=9527\nobjIp=127.0.0.1\nobjPort=9\n";
    text += "serverListCurrent=" + QByteArray::number(current) + "\n\n[serverIplist]\n";
    for (int i = 0; i < entries.size(); ++i)
        text += QByteArray::number(i + 1) + "\\serverList_" + QByteArray::number(i) + "=" + entries[i].toUtf8() + "\n";
    text += "size=" + QByteArray::number(entries.size()) + "\n";
    return text;
}

QString useLoopbackSettings(const QString &folder, const QStringList &entries, int current)
{
    const QString path = QDir(folder).filePath(QStringLiteral("ntp.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(loopbackSettingsText(entries, current));
    setSettingsDirectoryOverride(folder);
    return path;
}
