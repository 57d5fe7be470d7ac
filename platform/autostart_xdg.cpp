#include "platform/autostart.h"

#include <QDir>
#include <QSaveFile>
#include <QTextStream>

namespace platform {

namespace {

// $XDG_CONFIG_HOME/autostart; a relative or empty XDG_CONFIG_HOME is ignored, as the base
// directory rules ask.
QString autostartFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

// One argument of an Exec line: quoted, with the characters that are special inside quotes
// escaped by a backslash and "%" doubled so that it is not read as a field code.
QString quotedExecArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
    }
    return quoted + QLatin1Char('"');
}

// The string escapes of every desktop entry value, applied after the Exec quoting.
QString escapedStringValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

bool writeEntry(const QString &name, const QStringList &lines)
{
    const QString folder = autostartFolder();
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(folder + QLatin1Char('/') + name + QStringLiteral(".desktop"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    // The name and icon of the program's launcher, for the desktop's list of start-up programs; the file
    // keeps the registration's own name.
    out << "[Desktop Entry]\nType=Application\nName=Chronvale\nIcon=chronvale\n";
    for (const QString &line : lines)
        out << line << '\n';
    out.flush();
    return file.commit();
}

} // namespace

bool registerStartAtLogon(const QString &name, const QString &executablePath)
{
    return writeEntry(name, {QStringLiteral("Exec=") + escapedStringValue(quotedExecArgument(executablePath)),
                             QStringLiteral("Terminal=false"), QStringLiteral("Hidden=false"),
                             QStringLiteral("X-GNOME-Autostart-enabled=true")});
}

// Hidden=true rather than removing the file: it also masks an entry of the same name that the
// system's autostart folders may hold. Exec names a harmless program, keeping the entry valid.
bool clearStartAtLogon(const QString &name)
{
    return writeEntry(name, {QStringLiteral("Exec=true"), QStringLiteral("Terminal=false"),
                             QStringLiteral("Hidden=true"), QStringLiteral("X-GNOME-Autostart-enabled=false")});
}

} // namespace platform
