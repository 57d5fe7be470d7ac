#include "settings/settingsdraft.h"

#include <QFile>
#include <QSaveFile>

SettingsDraft::SettingsDraft(const QByteArray &contents)
{
    // Without a folder the path is empty: the draft then lives in memory only and never commits.
    const QString draftPath = folder.isValid() ? folder.filePath(QStringLiteral("ntp.ini")) : QString();
    if (!draftPath.isEmpty() && !contents.isEmpty()) {
        QFile seed(draftPath);
        if (seed.open(QIODevice::WriteOnly))
            seed.write(contents);
    }
    draft = std::make_unique<QSettings>(draftPath, QSettings::IniFormat);
}

bool SettingsDraft::commitTo(const QString &path)
{
    if (!folder.isValid())
        return false;
    draft->sync();
    if (draft->status() != QSettings::NoError)
        return false;
    QFile written(draft->fileName());
    // An empty draft leaves no file behind; the result is then an empty ntp.ini.
    QByteArray bytes;
    if (written.exists()) {
        if (!written.open(QIODevice::ReadOnly))
            return false;
        bytes = written.readAll();
        if (written.error() != QFileDevice::NoError)
            return false;
    }
    return replaceFileWhole(path, bytes);
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool replaceFileWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
