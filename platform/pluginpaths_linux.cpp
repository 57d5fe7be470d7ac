#include "platform/pluginpaths.h"

#include <cstdlib>
#include <initializer_list>
#include <sys/auxv.h>

// The dynamic loader already ignores LD_LIBRARY_PATH and the like for such a process; these are read
// by Qt itself, and each names a folder it loads code or data from.
void platform::forgetUserPluginPathsIfPrivileged()
{
    if (getauxval(AT_SECURE) == 0)
        return;
    for (const char *name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_QPA_FONTDIR", "QT_XKB_CONFIG_ROOT",
                             "QML2_IMPORT_PATH", "QML_IMPORT_PATH"})
        ::unsetenv(name);
}
