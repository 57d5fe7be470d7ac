#include "platform/termination.h"

namespace platform {

// A Windows GUI program is ended through the session manager, which the window already answers.
void onTerminationRequest(QObject *, std::function<void()>) {}

} // namespace platform
