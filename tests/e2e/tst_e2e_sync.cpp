// The test build of the program against a real chronyd on 127.0.0.1:123 whose clock runs
// 37 s ahead under libfaketime (-x: it never touches the clock). The program's recording
// clock writes each UTC time it is asked to set into a file.
#include "fixtures/programrun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

namespace {

constexpr qint64 serverAheadMs = 37000;
constexpr quint64 ntpEraOffsetSeconds = 2208988800ULL; // 1900-01-01 to 1970-01-01

QString findFakeTimeLibrary()
{
    const QStringList candidates = {QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"),
                                    QStringLiteral("/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1"),
                                    QStringLiteral("/usr/lib/faketime/libfaketime.so.1")};
    for (const QString &path : candidates)
        if (QFileInfo::exists(path))
            return path;
    return QString();
}

QByteArray settingsText(const QString &entry)
{
    return QStringLiteral("[mainWindow]\nlocalPort=12345\nobjIp=127.0.0.1\nobjPort=12345\nserverListCurrent=0\n"
                          "[serverIplist]\n1\\serverList_0=%1\nsize=1\n")
        .arg(entry)
        .toUtf8();
}

// The server's transmit time of one answered client request, in ms since 1970.
qint64 askServerTransmitMs(int timeoutMs)
{
    QUdpSocket socket;
    QByteArray request(48, '\0');
    request[0] = char((4 << 3) | 3); // version 4, client
    socket.writeDatagram(request, QHostAddress(QHostAddress::LocalHost), 123);
    if (!socket.waitForReadyRead(timeoutMs))
        return -1;
    QByteArray reply(int(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(reply.data(), reply.size());
    if (reply.size() < 48)
        return -1;
    const auto *bytes = reinterpret_cast<const uchar *>(reply.constData());
    const quint64 seconds = qFromBigEndian<quint32>(bytes + 40);
    const quint64 fraction = qFromBigEndian<quint32>(bytes + 44);
    return qint64((seconds - ntpEraOffsetSeconds) * 1000 + ((fraction * 1000) >> 32));
}

} // namespace

class TestE2eSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void clockSetToServerTime();
    void beyondLimitRecordsNothingAndSavesStateThree();

private:
    QProcess *startProgram(ProgramFolder &folder, const QStringList &environment);
    bool startDisplay();

    QTemporaryDir m_dir;
    QProcess m_chronyd;
    QProcess m_display;
    QString m_displayName;
};

void TestE2eSync::initTestCase()
{
    const QString chronyd = findTool("chronyd");
    const QString faketime = findFakeTimeLibrary();
    QVERIFY2(!chronyd.isEmpty() && !faketime.isEmpty(), "needs Debian's chrony and faketime packages");
    QVERIFY(m_dir.isValid());

    QFile config(m_dir.filePath(QStringLiteral("chrony.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Text));
    config.write(QStringLiteral("port 123\nbindaddress 127.0.0.1\nallow 127.0.0.1\nlocal stratum 8\n"
                                "cmdport 0\nbindcmdaddress /\npidfile %1/chronyd.pid\n")
                     .arg(m_dir.path())
                     .toUtf8());
    config.close();

    // -x: never touch the clock; -u root: the tests' user namespace cannot drop privileges.
    m_chronyd.setProcessChannelMode(QProcess::MergedChannels);
    // libfaketime preloaded, not its wrapper: the wrapper names a shared semaphore after its
    // pid, and pids repeat from one test's process namespace to the next.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), faketime);
    env.insert(QStringLiteral("FAKETIME"), QStringLiteral("+37s"));
    m_chronyd.setProcessEnvironment(env);
    m_chronyd.start(chronyd, {QStringLiteral("-f"), config.fileName(), QStringLiteral("-x"), QStringLiteral("-d"),
                              QStringLiteral("-u"), QStringLiteral("root")});
    QVERIFY2(m_chronyd.waitForStarted(5000), qPrintable(m_chronyd.errorString()));

    qint64 serverMs = -1;
    QElapsedTimer waited;
    waited.start();
    while (serverMs < 0 && waited.elapsed() < 15000)
        serverMs = askServerTransmitMs(300);
    QVERIFY2(serverMs >= 0, m_chronyd.readAll().constData());
    const qint64 ahead = serverMs - QDateTime::currentMSecsSinceEpoch();
    qInfo("chronyd answers %lld ms ahead of this clock", ahead);
    QVERIFY(qAbs(ahead - serverAheadMs) < 1000);
}

void TestE2eSync::cleanupTestCase()
{
    stopProcess(m_chronyd);
    stopProcess(m_display);
}

QProcess *TestE2eSync::startProgram(ProgramFolder &folder, const QStringList &environment)
{
    // Its own temp folder keeps its single-instance endpoint apart from other tests' copies.
    return folder.start({}, QStringList{QStringLiteral("TMPDIR=") + folder.path()} + environment);
}

void TestE2eSync::clockSetToServerTime()
{
    ProgramFolder folder(settingsText(QStringLiteral("127.0.0.1 100 1000 0")));
    QVERIFY(folder.isValid());
    const QString record = QDir(folder.path()).filePath(QStringLiteral("clock.log"));
    QProcess *program = startProgram(folder, {QStringLiteral("CHRONVALE_RECORD_CLOCK=") + record});
    QVERIFY(program->waitForStarted(5000));

    const bool recorded = waitUntil([&] { return QFileInfo(record).size() > 0; }, 15000);
    const QByteArray firstLine = recorded ? [&] {
        QFile file(record);
        file.open(QIODevice::ReadOnly);
        return file.readLine().trimmed();
    }() : QByteArray();
    const QDateTime writtenAt = QFileInfo(record).lastModified();
    stopProcess(*program);
    delete program;
    QVERIFY2(recorded, "no clock time was requested within 15 s");

    const QDateTime setTo = QDateTime::fromString(QString::fromLatin1(firstLine), Qt::ISODateWithMs);
    QVERIFY2(setTo.isValid(), firstLine.constData());
    const qint64 errorMs = setTo.toMSecsSinceEpoch() - (writtenAt.toMSecsSinceEpoch() + serverAheadMs);
    qInfo("clock set to %s, written at %s: %lld ms from the server's time",
          firstLine.constData(), qPrintable(writtenAt.toUTC().toString(Qt::ISODateWithMs)), errorMs);
    QVERIFY2(qAbs(errorMs) <= 50, qPrintable(QString::number(errorMs)));
}

// Quits through "文件" / "退出" on a real display, which saves ntp.ini on the way out.
void TestE2eSync::beyondLimitRecordsNothingAndSavesStateThree()
{
    const QString xdotool = findTool("xdotool");
    QVERIFY2(!xdotool.isEmpty() && !findTool("Xvfb").isEmpty(), "needs the xvfb and xdotool packages");
    QVERIFY(startDisplay());

    ProgramFolder folder(settingsText(QStringLiteral("127.0.0.1 10 1000 0")));
    QVERIFY(folder.isValid());
    const QString record = QDir(folder.path()).filePath(QStringLiteral("clock.log"));
    QProcess *program = startProgram(folder, {QStringLiteral("CHRONVALE_RECORD_CLOCK=") + record,
                                              QStringLiteral("QT_QPA_PLATFORM=xcb"),
                                              QStringLiteral("DISPLAY=") + m_displayName});
    QVERIFY(program->waitForStarted(5000));
    QTest::qWait(8000); // the start request and the one 6 s later are both answered by now

    const QString pid = QString::number(program->processId());
    auto xdo = [&](const QStringList &arguments) {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_displayName);
        tool.setProcessEnvironment(env);
        tool.start(xdotool, arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    };
    const QString window = xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid})
                               .section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(!window.isEmpty(), "the main window is not on the display");
    // Open the first menu, "文件", then take its first entry, "退出".
    xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("15"), QStringLiteral("10"),
         QStringLiteral("click"), QStringLiteral("1")});
    QTest::qWait(500);
    xdo({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});

    const bool quit = program->waitForFinished(10000);
    const QByteArray output = program->readAllStandardError();
    const int exitCode = program->exitCode();
    stopProcess(*program);
    delete program;
    QVERIFY2(quit, output.constData());
    QCOMPARE(exitCode, 0);

    QVERIFY(!QFileInfo::exists(record) || QFileInfo(record).size() == 0);
    QSettings saved(folder.settingsFile(), QSettings::IniFormat);
    QCOMPARE(saved.value(QStringLiteral("serverIplist/1/serverList_0")).toString(),
             QStringLiteral("127.0.0.1 10 1000 3"));
}

// An X display of this test's own.
bool TestE2eSync::startDisplay()
{
    if (m_displayName.isEmpty())
        m_displayName = startXvfb(m_display);
    return !m_displayName.isEmpty();
}

QTEST_MAIN(TestE2eSync)
#include "tst_e2e_sync.moc"
