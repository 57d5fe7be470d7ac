#include "app/applicationfont.h"
#include "app/qsingleapplication.h"
#include "mainwindow/mainwindow.h"
#include "platform/displayupdates.h"
#include "platform/pluginpaths.h"
#include "platform/termination.h"

#include <QMessageBox>

int main(int argc, char *argv[])
{
    platform::forgetUserPluginPathsIfPrivileged(argc);
    platform::keepDisplayUpdatesOneWay();
    QSingleApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ChronvaleV1.190918.0"));

    if (app.isRunning()) {
        QMessageBox box;
        box.setText(QObject::tr("本程序已打开，如果窗口隐藏状态，双击托盘本软件图标可恢复窗口！"));
        box.exec();
        return 0;
    }

    useEmbeddedFont();
    MainWindow window;
    window.show();
    // A later start brings this copy's window back, wherever it was hidden.
    QObject::connect(&app, &QSingleApplication::anotherCopyStarted, &window, &MainWindow::bringBack);
    // A logout, a kill or Ctrl-C ends the program as "退出" does, saving first.
    platform::onTerminationRequest(&window, [&window] { window.saveAndQuit(); });
    return app.exec();
}
