#include "platform/displayupdates.h"

#include <QByteArray>

void platform::keepDisplayUpdatesOneWay()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
}
