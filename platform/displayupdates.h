#pragma once

namespace platform {

// The window redraws a small area once a second. On X11, Qt would hand each redraw over in shared memory
// and then wait for the X server to say it has read it: a round trip a second for a few kilobytes. This
// asks for the plain request instead, unless the user chose otherwise. Call it before the application
// object is built.
void keepDisplayUpdatesOneWay();

} // namespace platform
