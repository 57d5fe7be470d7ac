#pragma once

namespace platform {

// Whether this process runs with more rights than the user who started it may have: elevated on Windows
// ("run as administrator"), root of the machine or started with a file's privilege on Linux. Such a
// copy still runs among the user's variables, files and settings, and must not load or start what they
// name.
bool runsPrivileged();

// Where the process runs privileged, forgets what names folders of plugins and libraries for Qt to load
// from: the variables, Qt's own command-line options (the program has none of its own, so argc becomes
// 1), and on Windows the folders Qt was built in and the search path for DLLs. Call it before the
// application object is built.
void forgetUserPluginPathsIfPrivileged(int &argc);

} // namespace platform
