#include "desktop/about.h"

#include "mainwindow/mainwindow.h"
#include "platform/pluginpaths.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QUrl>

QStringList aboutTextPieces()
{
    const QString website = QStringLiteral("https://www.vantrel.example");
    return {
        QStringLiteral("<font style = 'font-size:14px;'><strong>"),
        QStringLiteral("ChronvaleV1.0 &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"),
        QStringLiteral("</strong><br /></font>"),
        QStringLiteral("<font style = 'font-size:14px;'>Vantrel<hr />"),
        QStringLiteral("电话：010-5555-0100<br />"),
        QStringLiteral("传真：010-5555-0101<br />"),
        QStringLiteral("官网：<a href='%1'>%1</a>").arg(website),
        QStringLiteral("</font>"),
    };
}

QString aboutText()
{
    return aboutTextPieces().join(QString());
}

void MainWindow::on_action_about_triggered()
{
    QMessageBox box;
    box.setWindowTitle(tr("关于"));
    box.setIconPixmap(QPixmap(QStringLiteral(":/images/biglogo.png")));
    box.setText(tr(aboutText().toUtf8().constData()));
    box.exec();
}

// A copy with more rights than its user's does not start the viewer the user chose, with those rights.
static void openManual(const QString &path)
{
    if (!platform::runsPrivileged()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    QMessageBox box;
    box.setText(QCoreApplication::translate("MainWindow", "本程序以管理员权限运行，不打开操作手册；手册在：%1")
                    .arg(QDir::toNativeSeparators(path)));
    box.exec();
}

// Beside the program, in the working folder, then where an installed program keeps its documents;
// opened by an absolute address, which desktops accept where they refuse "./manual.pdf".
void MainWindow::on_action_manual_triggered()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    for (const QString &folder :
         {programFolder, QDir::currentPath(), programFolder + QStringLiteral("/../share/doc/chronvale")}) {
        const QFileInfo manual(QDir(folder).filePath(QStringLiteral("manual.pdf")));
        if (manual.isFile()) {
            openManual(manual.canonicalFilePath());
            return;
        }
    }
    QMessageBox box;
    box.setText(tr("找不到操作手册manual.pdf！"));
    box.exec();
}
