#include "platform/pluginpaths.h"

#include <unistd.h>

bool platform::runsPrivileged()
{
    return geteuid() == 0 || geteuid() != getuid();
}

// Nothing of Qt's is forgotten here; only its command-line options, which name plugin folders too.
void platform::forgetUserPluginPathsIfPrivileged(int &argc)
{
    if (runsPrivileged())
        argc = 1;
}
