#include "platform/configfolder.h"

#include <QStandardPaths>

// Qt's configuration location is the local, not the roaming, application data here.
QString platform::userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
