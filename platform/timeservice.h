#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace platform {

// Looks, in the background, for the system's own time service, which sets the clock too: a running
// chronyd, ntpd or systemd-timesyncd, or time synchronisation that the system's time settings report
// on. Calls found with its name, in context's thread, once it knows of one; not at all otherwise.
void findTimeService(QObject *context, const std::function<void(const QString &name)> &found);

} // namespace platform
