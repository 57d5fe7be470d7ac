// The About box piece by piece, and the manual command, which only hands "./manual.pdf" to
// the desktop and never reports anything.
#include "desktop/about.h"
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

// Stands in for the desktop's handler of file URLs.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class DesktopAboutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pieces_data();
    void pieces();
    void aboutBox();
    void manualOfferedInAboutMenu();
    void manual_data();
    void manual();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir configHome;
    QScopedPointer<MainWindow> window;
};

void DesktopAboutTest::initTestCase()
{
    QVERIFY(settingsDir.isValid() && configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    useLoopbackSettings(settingsDir.path());
    window.reset(new MainWindow);
}

void DesktopAboutTest::cleanupTestCase()
{
    window.reset();
}

void DesktopAboutTest::pieces_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("piece");
    QTest::newRow("1 bold line opens") << 0 << "<font style = 'font-size:14px;'><strong>";
    QTest::newRow("2 name and version")
        << 1 << "ChronvaleV1.0 &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
    QTest::newRow("3 bold line ends") << 2 << "</strong><br /></font>";
    QTest::newRow("4 maker and rule") << 3 << "<font style = 'font-size:14px;'>Vantrel<hr />";
    QTest::newRow("5 telephone") << 4 << "电话：010-5555-0100<br />";
    QTest::newRow("6 fax") << 5 << "传真：010-5555-0101<br />";
    QTest::newRow("7 website")
        << 6 << "官网：<a href='https://www.vantrel.example'>https://www.vantrel.example</a>";
    QTest::newRow("8 block ends") << 7 << "</font>";
}

void DesktopAboutTest::pieces()
{
    QFETCH(int, index);
    QFETCH(QString, piece);
    const QStringList pieces = aboutTextPieces();
    QCOMPARE(pieces.size(), 8);
    QCOMPARE(pieces.at(index), piece);
    QCOMPARE(aboutText(), pieces.join(QString()));
}

void DesktopAboutTest::aboutBox()
{
    ModalBoxCloser boxes;
    MainWindowProbe(*window).ui()->action_about->trigger();

    QCOMPARE(boxes.count(), 1);
    const SeenBox shown = boxes.last();
    QCOMPARE(shown.title, QStringLiteral("关于"));
    QCOMPARE(shown.text, aboutText());
    QVERIFY(Qt::mightBeRichText(shown.text));
    const QImage logo(QStringLiteral(":/images/biglogo.png"));
    QVERIFY(!logo.isNull());
    QCOMPARE(shown.picture.convertToFormat(QImage::Format_RGB32), logo.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(shown.icon, QMessageBox::NoIcon);
    QCOMPARE(shown.buttonCount, 1);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!shown.hadParent);
    QVERIFY(shown.applicationModal);
}

void DesktopAboutTest::manualOfferedInAboutMenu()
{
    Ui::MainWindow *ui = MainWindowProbe(*window).ui();
    QCOMPARE(ui->menu_2->actions(), (QList<QAction *>{ui->action_manual, ui->action_about}));
    QCOMPARE(ui->action_manual->text(), QStringLiteral("操作手册"));
    QCOMPARE(ui->menu->actions(), QList<QAction *>{ui->action_exit});
}

// The same URL either way: whether the file is there is the viewer's business, not ours.
void DesktopAboutTest::manual_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("manual in the working folder") << true;
    QTest::newRow("no manual") << false;
}

void DesktopAboutTest::manual()
{
    QFETCH(bool, present);
    QTemporaryDir workFolder;
    QVERIFY(workFolder.isValid());
    if (present) {
        QFile pdf(workFolder.filePath(QStringLiteral("manual.pdf")));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%%EOF\n");
    }
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workFolder.path()));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");

    MainWindowProbe(*window).ui()->action_manual->trigger();
    QTest::qWait(50);

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(before);
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("./manual.pdf"))});
    const QUrl url = recorder.opened.value(0);
    QVERIFY(url.isLocalFile());
    QCOMPARE(QFileInfo::exists(workFolder.filePath(url.toLocalFile())), present);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<QMessageBox *>(widget) || !widget->isVisible(), "the manual command reported something");
}

QTEST_MAIN(DesktopAboutTest)
#include "tst_desktop_about.moc"
