// The desktop pieces: the large clock, the tray icon and the ways out, start at logon, and the
// embedded font.
#include "desktop/clockface.h"
#include "helpers/support.h"
#include "platform/autostart.h"

#include <QDesktopServices>
#include <QRawFont>

class TestDesktop : public QObject
{
    Q_OBJECT
private slots:
    void clock()
    {
        const QDateTime morning(QDate(2024, 2, 29), QTime(9, 5, 9, 999));
        QVERIFY(clockTimeText(morning).contains(">09:05:09<") && clockDateText(morning).contains(">2024/02/29<"));
        QVERIFY(msToNextSecond(morning) == 2 && msToNextSecond(morning.addMSecs(1)) == 1001);
        TestWindow t;
        for (int turn = 0; turn < 2; ++turn) { // it turns with each second
            const QString before = t.ui()->label_hhmmss->text();
            QVERIFY(QTest::qWaitFor([&] { return t.ui()->label_hhmmss->text() != before; }, 1500));
        }
        QCOMPARE(t.ui()->label_hhmmss->text(), clockTimeText(QDateTime::currentDateTime()));
    }

    // A click on the tray icon brings the window back, and every way out saves and ends with 0; where the
    // desktop has no notification area (as here), closing the window ends the program too.
    void trayIconAndTheWaysOut()
    {
        for (const char *way : {"pushButton_quit", "action_exit", "tray", "close"}) {
            TestWindow t;
            t.ui()->checkBox_pallet->setChecked(true);
            QVERIFY(t.trayIcon()->isVisible() && !t.w.isVisible());
            emit t.trayIcon()->activated(QSystemTrayIcon::Trigger);
            QVERIFY(t.w.isVisible());
            t.ui()->lineEdit_objport->setText("4321");
            QTimer::singleShot(0, &t.w, [&] {
                QObject *control = QByteArray(way) == "tray" ? t.quitAction() : t.w.findChild<QObject *>(way);
                control
                    ? void(QMetaObject::invokeMethod(control, qobject_cast<QAction *>(control) ? "trigger" : "click"))
                    : void(t.w.close());
            });
            QTimer::singleShot(10000, &t.w, [] { QCoreApplication::exit(99); }); // a way that does not end the loop
            QCOMPARE(qApp->exec(), 0);
            QSettings saved(t.iniPath, QSettings::IniFormat);
            QVERIFY2(saved.value("mainWindow/objPort") == "4321" && saved.value("mainWindow/trayicon") == true, way);
        }
    }

    void startAtLogon()
    {
        if (QSysInfo::productType() == "windows")
            QSKIP("the Run key: tst_windows");
        TestWindow t;
        const auto entry = [&] { return QString::fromUtf8(readAll(t.dir.filePath("autostart/razudori.desktop"))); };
        // The program's path, and the Exec line a desktop reads back as that one argument.
        const QStringList paths[] = {{"/home/a b/chronvale", "Exec=\"/home/a b/chronvale\""},
                                     {"/x/\"$`", "Exec=\"/x/\\\\\"\\\\$\\\\`\""},
                                     {"/x/a\\b", "Exec=\"/x/a\\\\\\\\b\""},
                                     {"/x/100%", "Exec=\"/x/100%%\""},
                                     {"/x/a\nb", "Exec=\"/x/a\\nb\""}};
        for (const QStringList &path : paths) {
            QVERIFY(platform::registerStartAtLogon("razudori", path[0]));
            QCOMPARE(entry().split('\n').filter(QRegularExpression("^(Exec|Hidden)=")),
                     (QStringList{path[1], "Hidden=false"}));
        }
        t.ui()->checkBox_startrun->setChecked(true);
        QVERIFY(entry().contains("Exec=\"" + QCoreApplication::applicationFilePath()
                                 + "\"\nTerminal=false\nHidden=false\n"));
        t.ui()->checkBox_startrun->setChecked(false);
        QVERIFY(entry().contains("\nHidden=true\n") && !entry().contains(QCoreApplication::applicationFilePath()));
        // Where the entry cannot be written, the user is told and the box goes back.
        QVERIFY(QDir(t.dir.filePath("autostart")).removeRecursively()
                && writeAll(t.dir.filePath("autostart"), "not a folder"));
        ModalBoxes boxes;
        t.ui()->checkBox_startrun->setChecked(true);
        QVERIFY(boxes.seen == QStringList{"错误|开机运行设置失败！"} && !t.ui()->checkBox_startrun->isChecked());
    }

    // The manual is found beside the program or in the working folder and opened by its absolute
    // address; when there is none, the user is told. The About box shows.
    void manualAndAbout()
    {
        QDesktopServices::setUrlHandler("file", this, "open");
        TestWindow t;
        QDir::setCurrent(t.dir.path());
        ModalBoxes boxes;
        t.ui()->action_manual->trigger();
        QVERIFY(writeAll(t.dir.filePath("manual.pdf"), "%PDF-1.4"));
        t.ui()->action_manual->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(t.dir.filePath("manual.pdf")).canonicalFilePath())});
        t.ui()->action_about->trigger();
        QVERIFY(boxes.seen.size() == 2 && boxes.seen[0] == "|找不到操作手册manual.pdf！"
                && boxes.seen[1].startsWith("关于|"));
    }

    // A character missing from the embedded font shows as a box where no Chinese font is installed.
    void everyShownCharacterIsInTheEmbeddedFont()
    {
        QFile fontFile(":/msyh.ttf");
        QVERIFY(fontFile.open(QIODevice::ReadOnly));
        const QRawFont font(fontFile.readAll(), 12);
        QString missing;
        int seen = 0;
        for (const char *folder : {"app", "mainwindow", "forms", "sync", "servers", "settings", "udpout", "desktop"})
            for (QDirIterator it(CHRONVALE_SOURCE_DIR "/" + QString(folder), {"*.cpp", "*.h", "*.ui"}); it.hasNext();)
                for (uint code : QString::fromUtf8(readAll(it.next())).toUcs4())
                    if (code > 0x7f && ++seen && !font.supportsCharacter(code))
                        missing += QString::fromUcs4(&code, 1);
        QVERIFY2(seen > 50 && missing.isEmpty(),
                 qPrintable("not in the font (run scripts/make-resources.sh): " + missing));
    }

public slots:
    void open(const QUrl &url) { opened << url; }

private:
    QList<QUrl> opened;
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
