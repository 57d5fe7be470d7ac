#include "platform/pluginpaths.h"

// No privilege comes with the file here: Windows elevates a process only with an administrator's consent.
void platform::forgetUserPluginPathsIfPrivileged() {}
