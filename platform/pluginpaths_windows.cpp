#include "platform/pluginpaths.h"

#include <QCoreApplication>

#include <cstdlib>
#include <initializer_list>

#include <windows.h>

bool platform::runsPrivileged()
{
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)
                          && GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)
                          && elevation.TokenIsElevated != 0;
    if (token)
        CloseHandle(token);
    return elevated;
}

// An elevated copy runs among the variables of a user who may be no administrator (HKCU\Environment is
// theirs to write), and the folder Qt was built in, named in the library as "/root/...", is a folder on
// C: that any user may make.
void platform::forgetUserPluginPathsIfPrivileged(int &argc)
{
    if (!runsPrivileged())
        return;
    for (const char *name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_QPA_FONTDIR", "QT_XKB_CONFIG_ROOT",
                             "QML2_IMPORT_PATH", "QML_IMPORT_PATH"})
        _putenv_s(name, "");
    argc = 1;
    // None of the folders found so far; the program's own, once it is known, is all Qt adds.
    QCoreApplication::setLibraryPaths({});
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
}
