#include "platform/configfolder.h"

#include <QStandardPaths>

QString platform::userConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}
