#pragma once

#include <QString>

// The folder ntp.ini lives in for a program in executableFolder. A copy unpacked into a folder of its
// own keeps it beside itself when a file can be created there. An installed program, and a copy that
// cannot write beside itself, keep it in the user's configuration folder of the program (created here),
// whoever runs it: an administrator's copy does not rewrite the preset every user starts from. A user's
// first start there begins from the ntp.ini an administrator left beside the program, if any.
QString settingsFolderFor(const QString &executableFolder, bool installed);
