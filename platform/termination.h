#pragma once

#include <QObject>

#include <functional>

namespace platform {

// From now on a request to end the process (SIGTERM, SIGINT or SIGHUP: a logout, a kill, Ctrl-C)
// calls handler from the event loop instead of ending the process at once. The watch lives as long
// as context.
void onTerminationRequest(QObject *context, std::function<void()> handler);

} // namespace platform
