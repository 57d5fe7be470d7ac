#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Settings are first written whole into a private file and only then put in place of ntp.ini,
// so a save that fails or is cut short leaves the old file as it was.
class SettingsDraft
{
public:
    // A draft that starts with `contents` (an INI text; empty for a new file).
    explicit SettingsDraft(const QByteArray &contents = QByteArray());

    QSettings &settings() { return *draft; }

    // Writes the draft out and replaces the file at `path` with it; false when anything failed.
    bool commitTo(const QString &path);

private:
    QTemporaryDir folder;
    std::unique_ptr<QSettings> draft;
};

// The bytes of the file at `path`; empty when it cannot be read.
QByteArray fileContents(const QString &path);

// Replaces the file at `path` with `bytes` in one step: written beside it, then renamed over it.
bool replaceFileWhole(const QString &path, const QByteArray &bytes);
