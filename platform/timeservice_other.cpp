#include "platform/timeservice.h"

// Not looked for on this system.
void platform::findTimeService(QObject *, const std::function<void(const QString &)> &) {}
