#pragma once

#include <QString>

// The folder ntp.ini lives in for a program in executableFolder: that folder when a file can be created
// there, otherwise the user's configuration folder of the program (created here). A user's first start
// there begins from the ntp.ini an administrator left beside the program, if any.
QString settingsFolderFor(const QString &executableFolder);
