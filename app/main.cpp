#include "app/qsingleapplication.h"
#include "mainwindow/mainwindow.h"

#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>

namespace {

void useEmbeddedFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("://msyh.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        return; // keep the toolkit's font rather than an empty family
    QFont font(families.first(), 10);
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char *argv[])
{
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
    return app.exec();
}
