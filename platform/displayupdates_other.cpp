#include "platform/displayupdates.h"

// No X server here.
void platform::keepDisplayUpdatesOneWay() {}
