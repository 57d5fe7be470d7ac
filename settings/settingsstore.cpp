#include "settings/settingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace settingsstore {

namespace {
// Far beyond any list of servers; a larger file is not the program's.
constexpr qint64 maxBytes = 16 * 1024 * 1024;
} // namespace

Stored read(const QString &path)
{
    Stored stored;
    const QFileInfo info(path);
    stored.exists = info.exists() || info.isSymLink();
    // A FIFO would block the start for ever and a device has no end: neither is opened.
    if (!info.isFile() || info.size() > maxBytes)
        return stored;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stored;
    stored.bytes = file.read(maxBytes + 1);
    stored.readable = file.error() == QFileDevice::NoError && stored.bytes.size() <= maxBytes;
    return stored;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // The flush is checked here: QSaveFile's commit would rename a temporary file whose buffered
    // write had failed (a full disk) over the old one.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
        return file.commit();
    file.cancelWriting();
    return false;
}

QString keepAside(const QString &path)
{
    const QString kept = path + QStringLiteral(".bad");
    QFile::remove(kept);
    // The C library's rename moves a link, a FIFO or a device as it is; QFile's insists on a file.
    return std::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) == 0 ? kept
                                                                                                      : QString();
}

} // namespace settingsstore
