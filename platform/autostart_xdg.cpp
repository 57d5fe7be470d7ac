#include "platform/autostart.h"

namespace platform {

bool registerStartAtLogon(const QString &, const QString &)
{
    return false;
}

bool clearStartAtLogon(const QString &)
{
    return false;
}

} // namespace platform
