#include "platform/pluginpaths.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <sys/auxv.h>
#include <unistd.h>

namespace {

// Root of the machine, not of a user namespace of its own (a container, the tests), whose root holds no
// right over the machine: only the first namespace maps every user id to itself.
bool machineRoot()
{
    if (geteuid() != 0)
        return false;
    FILE *map = std::fopen("/proc/self/uid_map", "r");
    unsigned long inside = 1, outside = 1, count = 0;
    const bool read = map && std::fscanf(map, "%lu %lu %lu", &inside, &outside, &count) == 3;
    if (map)
        std::fclose(map);
    return !read || (inside == 0 && outside == 0 && count == 4294967295UL);
}

} // namespace

bool platform::runsPrivileged()
{
    return getauxval(AT_SECURE) != 0 || machineRoot();
}

// The dynamic loader already ignores LD_LIBRARY_PATH and the like for a process started with a privilege;
// these are read by Qt itself, and each names a folder it loads code or data from.
void platform::forgetUserPluginPathsIfPrivileged(int &argc)
{
    if (!runsPrivileged())
        return;
    for (const char *name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_QPA_FONTDIR", "QT_XKB_CONFIG_ROOT",
                             "QML2_IMPORT_PATH", "QML_IMPORT_PATH"})
        ::unsetenv(name);
    argc = 1;
}
