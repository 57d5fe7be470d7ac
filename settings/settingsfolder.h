#pragma once

#include <QString>

// The folder ntp.ini lives in for a program in executableFolder: that folder when it can be
// written, otherwise the user's configuration folder of the program (created here).
QString settingsFolderFor(const QString &executableFolder);
