#include "history/synclogfile.h"

#include "history/synclogrow.h"

#include <QFile>

namespace synclogfile {

namespace {

bool rotate(const QString &folder)
{
    const QString previous = previousPath(folder);
    return (!QFile::exists(previous) || QFile::remove(previous)) && QFile::rename(currentPath(folder), previous);
}

} // namespace

QString currentPath(const QString &folder)
{
    return folder + QStringLiteral("/sync-log.csv");
}

QString previousPath(const QString &folder)
{
    return folder + QStringLiteral("/sync-log.1.csv");
}

bool append(const QString &folder, const QByteArray &row)
{
    QFile file(currentPath(folder));
    const qint64 before = file.size(); // 0 where there is none yet
    if (before > 0 && before + row.size() > maxBytes && !rotate(folder))
        return false;
    // Unbuffered: the row goes to the system in one write, at the end of the file (O_APPEND).
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 start = file.size();
    const QByteArray bytes = start == 0 ? "\xEF\xBB\xBF" + synclog::headerLine() + row : row;
    if (file.write(bytes) == bytes.size())
        return true;
    file.resize(start); // a row cut short by a full disk is taken back
    return false;
}

} // namespace synclogfile
