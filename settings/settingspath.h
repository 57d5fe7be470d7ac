#pragma once

#include <QString>

// Where ntp.ini lives: "%1/ntp.ini" beside the executable.
QString settingsFilePath();

// Tests keep their settings files in a folder of their own.
void setSettingsDirectoryOverride(const QString &directory);
