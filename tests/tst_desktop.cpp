// The desktop pieces: the large clock, the tray icon and the ways out, start at logon, and the
// embedded font and what it shows.
#include "app/applicationfont.h"
#include "desktop/clockface.h"
#include "helpers/productsources.h"
#include "helpers/support.h"
#include "platform/autostart.h"
#include "servers/editdialog.h"

#include <QDesktopServices>
#include <QRawFont>
#include <QStyleFactory>
#include <QToolTip>

// The labels and fields of a window that show their text neither whole nor in the tooltip of a hover.
static QStringList unreadable(QWidget *window)
{
    QCoreApplication::processEvents(); // laid out anew
    QStringList cut;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        const QSize need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
        QHelpEvent hover(QEvent::ToolTip, QPoint(1, 1), label->mapToGlobal(QPoint(1, 1)));
        if (label->isVisible() && (need.width() > label->width() || need.height() > label->height())
            && !(QApplication::sendEvent(label, &hover) && QToolTip::text().contains(label->text())))
            cut << label->objectName() + ": " + label->text();
    }
    // Painted with the cursor at its end, a field too narrow for its text has scrolled its start out of view.
    for (QLineEdit *field : window->findChildren<QLineEdit *>()) {
        field->end(false);
        field->grab();
        field->home(false);
        const QVariant startWhileScrolled = field->inputMethodQuery(Qt::ImCursorRectangle);
        field->grab();
        if (field->inputMethodQuery(Qt::ImCursorRectangle) != startWhileScrolled)
            cut << field->objectName() + ": " + field->text();
    }
    return cut;
}

// The labels and fields of a window that lie under a neighbour: a style that needs more room than the window has.
static QStringList overlapping(QWidget *window)
{
    QStringList cut;
    const QList<QWidget *> shown = window->findChildren<QWidget *>();
    for (QWidget *one : shown)
        for (QWidget *other : shown)
            if (one != other && one->parent() == other->parent() && one->isVisible() && other->isVisible()
                && (one->inherits("QLabel") || one->inherits("QLineEdit"))
                && one->geometry().intersects(other->geometry()))
                cut << one->objectName() + " under " + other->objectName();
    return cut;
}

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
        QLabel *face = t.ui()->label_hhmmss;
        for (int turn = 0; turn < 2; ++turn) // it turns with each second
            QVERIFY(QTest::qWaitFor([&, before = face->text()] { return face->text() != before; }, 5000));
        const QDateTime now = QDateTime::currentDateTime(); // the turn may not be shown yet on a busy machine
        QVERIFY(face->text() == clockTimeText(now) || face->text() == clockTimeText(now.addSecs(-1)));
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
        const QString entry = t.dir.filePath("autostart/razudori.desktop"),
                      self = QCoreApplication::applicationFilePath();
        const auto lines = [](const QString &keys, const QString &file) { // a desktop entry's lines for these keys
            return QString::fromUtf8(readAll(file)).split('\n').filter(QRegularExpression("^(" + keys + ")="));
        };
        // The program's path, and the Exec line a desktop reads back as that one argument.
        const QStringList paths[] = {{"/home/a b/chronvale", "Exec=\"/home/a b/chronvale\""},
                                     {"/x/\"$`", "Exec=\"/x/\\\\\"\\\\$\\\\`\""},
                                     {"/x/a\\b", "Exec=\"/x/a\\\\\\\\b\""},
                                     {"/x/100%", "Exec=\"/x/100%%\""},
                                     {"/x/a\nb", "Exec=\"/x/a\\nb\""}};
        for (const QStringList &path : paths) {
            QVERIFY(platform::registerStartAtLogon("razudori", path[0]));
            QCOMPARE(lines("Exec|Hidden", entry), (QStringList{path[1], "Hidden=false"}));
        }
        t.ui()->checkBox_startrun->setChecked(true);
        QCOMPARE(lines("Exec|Hidden", entry), (QStringList{"Exec=\"" + self + "\"", "Hidden=false"}));
        t.ui()->checkBox_startrun->setChecked(false);
        QVERIFY(lines("Hidden", entry) == QStringList{"Hidden=true"} && !readAll(entry).contains(self.toUtf8()));
        // Named and drawn as the program's launcher has it, whichever the registration's own name.
        QCOMPARE(lines("Name|Icon", entry), lines("Name|Icon", CHRONVALE_SOURCE_DIR "/desktop/chronvale.desktop.in"));
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
        for (const QString &source : productSources({"*.cpp", "*.h", "*.ui"}))
            for (uint code : QString::fromUtf8(readAll(source)).toUcs4())
                if (code > 0x7f && ++seen && !font.supportsCharacter(code))
                    missing += QString::fromUcs4(&code, 1);
        QVERIFY2(seen > 50 && missing.isEmpty(),
                 qPrintable("not in the font (run scripts/make-resources.sh): " + missing));
    }

    // Each text the window and the entry dialog write into a label or a field, in the states that write it.
    void everyTextIsReadable()
    {
        useEmbeddedFont();
        ModalBoxes boxes;
        TestWindow t{QByteArray()}; // a first start: a broadcast target, a host name that cannot be looked up here
        t.w.show();
        QLabel *line = t.ui()->label_syncinfo, *status = t.statusLabel();
        QStringList cut;
        const auto until = [&](QLabel *changed, const std::function<void()> &step) {
            const QString before = changed->text();
            step();
            QTRY_VERIFY(changed->text() != before);
            cut += unreadable(&t.w);
        };
        until(line, [] {});
        clockFailure = "Operation not permitted";
        until(line, [&] { t.replyReceived(NtpReply(-1000000, INT64_MIN, QDateTime())); });
        until(line, [&] { t.replyReceived(NtpReply(INT64_MIN, 0, QDateTime())); });
        t.ui()->comboBox_iplist->setCurrentIndex(0); // no route to it here
        until(line, [&] { t.ui()->pushButton_sync->click(); });
        until(line, [&] { // the watchdog's failure, looked at while its box is open
            QTimer::singleShot(0, [&] { cut += unreadable(&t.w); });
            for (int tick = 0; tick < 5; ++tick)
                t.DoStatus();
        });
        until(status, [&] { t.ui()->pushButton_out->click(); });
        until(status, [] {}); // the broadcast cannot leave
        until(status, [&] { t.ui()->pushButton_out->click(); });
        // The dialog starts at the server; the window then shows the widest limit and period.
        EditDialog dialog(0, t.ui()->comboBox_iplist);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.findChild<QLineEdit *>("lineEdit_ip"));
        for (const char *name : {"lineEdit_ip", "lineEdit_linit", "lineEdit_cyc"})
            dialog.findChild<QLineEdit *>(name)->setText(QString(name).endsWith("ip") ? "255.255.255.255"
                                                                                      : "-4294967295");
        cut += unreadable(&dialog);
        dialog.findChild<QPushButton *>("pushButton_ok")->click();
        QVERIFY2((cut += unreadable(&t.w)).isEmpty(), qPrintable(cut.join('\n')));
        // A window freshly laid out, where nothing else is changing it, in the style the program has on this
        // system (Windows' own under Wine, where the tests' offscreen platform would give Fusion): nothing lies
        // under a neighbour.
        const QString ownStyle = QApplication::style()->objectName();
        if (QStyleFactory::keys().contains("windowsvista"))
            QApplication::setStyle("windowsvista");
        TestWindow fresh{QByteArray()};
        fresh.w.show();
        cut += overlapping(&fresh.w);
        QApplication::setStyle(ownStyle);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
    }

public slots:
    void open(const QUrl &url) { opened << url; }

private:
    QList<QUrl> opened;
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
