#pragma once

#include <QByteArray>
#include <QString>

// ntp.ini on disk: only a regular file of a bounded size is read, and a save replaces it whole
// through a temporary file in its own folder, or not at all.
namespace settingsstore {

struct Stored
{
    bool exists = false;
    // A regular file, no larger than the bound, read without error; bytes holds it then.
    bool readable = false;
    QByteArray bytes;
};

Stored read(const QString &path);

// False when anything failed, the disk being full included; the old file then stays as it was.
bool replace(const QString &path, const QByteArray &bytes);

// Moves the file at path aside to path + ".bad", replacing an older one; that name, or empty on failure.
QString keepAside(const QString &path);

} // namespace settingsstore
