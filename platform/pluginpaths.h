#pragma once

namespace platform {

// A program given the right to set the clock by a file capability runs for users who may not hold
// that right themselves; Qt would still load plugins from folders named in their environment.
// Where the process gained a privilege at start, this clears those variables. Call it before the
// application object is built.
void forgetUserPluginPathsIfPrivileged();

} // namespace platform
