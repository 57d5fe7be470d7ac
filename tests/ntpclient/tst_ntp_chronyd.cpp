// Interplay with a real NTP server: Debian's chronyd, started on a loopback port
// with its own configuration and -x, so that it never touches the clock.
#include "fixtures/programrun.h"
#include "ntpclient.h"
#include "replylog.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

namespace {

constexpr int kAnswerWithinMs = 8000;
constexpr int kRetryEveryMs = 250;

// A UDP port on 127.0.0.1 that nobody holds right now.
quint16 freeLoopbackPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost));
    return probe.localPort();
}

QString chronydConfig(const QString &dir, quint16 port)
{
    return QStringLiteral("port %1\n"
                          "bindaddress 127.0.0.1\n"
                          "allow 127.0.0.1\n"
                          "local stratum 8\n"
                          "cmdport 0\n"
                          "bindcmdaddress /\n"
                          "pidfile %2/chronyd.pid\n"
                          "driftfile %2/chronyd.drift\n")
        .arg(port)
        .arg(dir);
}

} // namespace

class TestNtpChronyd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void measuresChronydOffset_data();
    void measuresChronydOffset();

private:
    QTemporaryDir m_dir;
    QProcess m_chronyd;
    quint16 m_port = 0;
};

void TestNtpChronyd::initTestCase()
{
    const QString chronyd = findTool("chronyd");
    QVERIFY2(!chronyd.isEmpty(), "chronyd not found: install Debian's chrony package");
    QVERIFY(m_dir.isValid());
    m_port = freeLoopbackPort();
    QVERIFY(m_port > 1024);

    QFile config(m_dir.filePath("chrony.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Text));
    config.write(chronydConfig(m_dir.path(), m_port).toUtf8());
    config.close();

    // -x: never touch the clock; -d: stay in the foreground; -u root: no privilege
    // drop, which the tests' user namespace (root mapped to the caller) cannot do.
    m_chronyd.setProcessChannelMode(QProcess::MergedChannels);
    m_chronyd.start(chronyd, {"-f", config.fileName(), "-x", "-d", "-u", "root"});
    QVERIFY2(m_chronyd.waitForStarted(5000), qPrintable(m_chronyd.errorString()));
}

void TestNtpChronyd::cleanupTestCase()
{
    stopProcess(m_chronyd);
}

void TestNtpChronyd::measuresChronydOffset_data()
{
    QTest::addColumn<int>("version");
    QTest::newRow("version 4") << 4;
    QTest::newRow("version 3") << 3;
}

void TestNtpChronyd::measuresChronydOffset()
{
    QFETCH(int, version);
    NtpClient client;
    ReplyLog log(client);
    // chronyd needs a moment before it answers; ask again until it does.
    QElapsedTimer waited;
    waited.start();
    while (log.count() == 0 && waited.elapsed() < kAnswerWithinMs) {
        QVERIFY2(m_chronyd.state() == QProcess::Running,
                 qPrintable("chronyd ended: " + QString::fromLocal8Bit(m_chronyd.readAll())));
        QVERIFY(client.sendRequest(quint8(version), QHostAddress::LocalHost, m_port));
        log.waitFor(1, kRetryEveryMs);
    }
    QVERIFY2(log.count() > 0, qPrintable("no answer from chronyd: " + QString::fromLocal8Bit(m_chronyd.readAll())));

    const NtpReply reply = log.at(0).reply;
    qInfo("chronyd: offset %lld ms, delay %lld ms, after %lld ms", reply.localClockOffset(),
          reply.roundTripDelay(), waited.elapsed());
    QCOMPARE(log.at(0).address, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(log.at(0).port, m_port);
    QVERIFY2(qAbs(reply.localClockOffset()) <= 5, qPrintable(QString::number(reply.localClockOffset())));
    QVERIFY(reply.roundTripDelay() >= 0);
}

QTEST_GUILESS_MAIN(TestNtpChronyd)
#include "tst_ntp_chronyd.moc"
