#include "platform/autostart.h"

#include <QDir>
#include <QSettings>

namespace platform {

namespace {

const char runKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool writeRunValue(const QString &name, const QString &command)
{
    QSettings run(QString::fromLatin1(runKey), QSettings::NativeFormat);
    run.setValue(name, command);
    run.sync();
    return run.status() == QSettings::NoError;
}

} // namespace

// Quoted, so that "C:\Program Files\..." cannot be taken for "C:\Program" with arguments.
bool registerStartAtLogon(const QString &name, const QString &executablePath)
{
    return writeRunValue(name, QLatin1Char('"') + QDir::toNativeSeparators(executablePath) + QLatin1Char('"'));
}

// The value stays in the key, empty: Windows starts nothing for it.
bool clearStartAtLogon(const QString &name)
{
    return writeRunValue(name, QString());
}

} // namespace platform
