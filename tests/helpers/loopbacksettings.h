#pragma once

#include <QString>
#include <QStringList>

// Writes an ntp.ini into folder that names only loopback servers and a loopback output
// target, and points the program's settings at that folder. Call before building a
// MainWindow: its constructor loads the settings and asks the selected server at once.
// Returns the path of the file.
QString useLoopbackSettings(const QString &folder,
                            const QStringList &entries = {QStringLiteral("127.0.0.1 1000 1000 0")},
                            int current = 0);

// The same file text, for tests that place it beside a copy of the program.
QByteArray loopbackSettingsText(const QStringList &entries = {QStringLiteral("127.0.0.1 1000 1000 0")},
                                int current = 0);
