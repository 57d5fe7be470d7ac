// `cmake --install` into a fresh prefix: the program finds its library there, and a desktop
// finds the launcher and its icon. The installed program is not started here.
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DesktopInstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void launcher();
    void icon();
    void libraryFoundBesideProgram();

private:
    // lib/ or lib/<multiarch>/, whichever the configured prefix chose.
    QString installedLibrary() const
    {
        QDirIterator it(prefix.path(), {QStringLiteral("libntpclient.so")}, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }

    QTemporaryDir prefix;
};

void DesktopInstallTest::initTestCase()
{
    QVERIFY(prefix.isValid());
    const QString buildDir = QFileInfo(QStringLiteral(CHRONVALE_PROGRAM)).absolutePath();
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral("cmake"), {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void DesktopInstallTest::layout_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("program") << "bin/chronvale" << true;
    QTest::newRow("launcher") << "share/applications/chronvale.desktop" << false;
    QTest::newRow("icon") << "share/icons/hicolor/32x32/apps/chronvale.png" << false;
}

void DesktopInstallTest::layout()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(prefix.filePath(path));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    if (executable)
        QVERIFY(file.isExecutable());
}

void DesktopInstallTest::launcher()
{
    QFile file(prefix.filePath(QStringLiteral("share/applications/chronvale.desktop")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    const QString exec = QStringLiteral("Exec=\"%1\"").arg(prefix.filePath(QStringLiteral("bin/chronvale")));
    for (const QString &expected : {QStringLiteral("Type=Application"), QStringLiteral("Name=Chronvale"), exec,
                                    QStringLiteral("Icon=chronvale"), QStringLiteral("Terminal=false")})
        QVERIFY2(lines.contains(expected), qPrintable(expected));
}

void DesktopInstallTest::icon()
{
    const QImage image(prefix.filePath(QStringLiteral("share/icons/hicolor/32x32/apps/chronvale.png")), "PNG");
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY(image.hasAlphaChannel());
}

// The loader is asked where the library comes from; the program itself does not run.
void DesktopInstallTest::libraryFoundBesideProgram()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {prefix.filePath(QStringLiteral("bin/chronvale"))});
    QVERIFY(ldd.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    const QRegularExpression line(QStringLiteral("libntpclient\\.so => (\\S+)"));
    const QRegularExpressionMatch match = line.match(out);
    QVERIFY2(match.hasMatch(), qPrintable(out));
    QVERIFY(!installedLibrary().isEmpty());
    QVERIFY(installedLibrary().startsWith(prefix.filePath(QStringLiteral("lib"))));
    QCOMPARE(QFileInfo(match.captured(1)).canonicalFilePath(), QFileInfo(installedLibrary()).canonicalFilePath());
}

QTEST_GUILESS_MAIN(DesktopInstallTest)
#include "tst_desktop_install.moc"
