// One copy runs; a second start hands over its last argument, says so and leaves with 0.
#include "fixtures/programrun.h"
#include "helpers/loopbacksettings.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QString endpointName = QStringLiteral("OrveliskSChronvaleS");
const QString notice = QStringLiteral("本程序已打开，如果窗口隐藏状态，双击托盘本软件图标可恢复窗口！");

QString endpointFile()
{
    return QDir(QDir::tempPath()).filePath(endpointName);
}

// Leaves a socket file behind the way a killed copy does.
bool leaveStaleEndpoint()
{
    const QByteArray path = QFile::encodeName(endpointFile());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= int(sizeof(address.sun_path)))
        return false;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

void stop(QProcess *process)
{
    stopProcess(*process);
    delete process;
}
} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void secondCopyHandsOverAndLeaves_data();
    void secondCopyHandsOverAndLeaves();
    void endpointAdmitsOnlyThisUser();
    void staleEndpointIsReplaced();
    void endpointOfALiveCopyIsKept();

private:
    QProcess *startFirstCopy(ProgramFolder &folder);
};

void SingleInstanceTest::init()
{
    QFile::remove(endpointFile());
}

QProcess *SingleInstanceTest::startFirstCopy(ProgramFolder &folder)
{
    QProcess *first = folder.start();
    if (!first->waitForStarted(5000) || !waitUntil([] { return QFileInfo::exists(endpointFile()); }, 10000)) {
        stop(first);
        return nullptr;
    }
    return first;
}

void SingleInstanceTest::secondCopyHandsOverAndLeaves_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("received");
    QTest::newRow("no argument") << QStringList() << QString();
    QTest::newRow("last of two") << QStringList({"a", "b"}) << QStringLiteral("b");
    QTest::newRow("first word of one with a space") << QStringList({"x y"}) << QStringLiteral("x");
}

void SingleInstanceTest::secondCopyHandsOverAndLeaves()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, received);
    ProgramFolder folder(loopbackSettingsText());
    QVERIFY(folder.isValid());
    QProcess *first = startFirstCopy(folder);
    QVERIFY(first);

    QProcess *second = folder.start(arguments);
    QVERIFY(second->waitForFinished(15000));
    const QString secondErr = QString::fromUtf8(second->readAllStandardError());
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(secondErr.contains(QStringLiteral("BOX||") + notice), qPrintable(secondErr));
    QVERIFY(secondErr.contains(QStringLiteral("Have already connected to server.")));
    QVERIFY2(!secondErr.contains(QStringLiteral("exe dir")), "the second copy must not touch the settings");
    delete second;

    const QString expectedLine = QStringLiteral("The value is: ") + received + QLatin1Char('\n');
    QString firstErr;
    QVERIFY(waitUntil([&] {
        firstErr += QString::fromUtf8(first->readAllStandardError());
        return firstErr.contains(expectedLine);
    }, 5000));
    QCOMPARE(first->state(), QProcess::Running);
    stop(first);
}

void SingleInstanceTest::endpointAdmitsOnlyThisUser()
{
    ProgramFolder folder(loopbackSettingsText());
    QVERIFY(folder.isValid());
    QProcess *first = startFirstCopy(folder);
    QVERIFY(first);
    const QFileInfo info(endpointFile());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(info.permissions() & others, QFile::Permissions());
    QVERIFY(info.permissions() & QFile::WriteOwner);
    stop(first);
}

void SingleInstanceTest::staleEndpointIsReplaced()
{
    QVERIFY(leaveStaleEndpoint());
    QVERIFY(QFileInfo::exists(endpointFile()));
    ProgramFolder folder(loopbackSettingsText());
    QVERIFY(folder.isValid());
    QProcess *first = folder.start();
    QVERIFY(first->waitForStarted(5000));
    QTest::qWait(1500); // past the probe and the listen
    QCOMPARE(first->state(), QProcess::Running);

    QProcess *second = folder.start();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(QString::fromUtf8(second->readAllStandardError()).contains(notice));
    delete second;
    stop(first);
}

void SingleInstanceTest::endpointOfALiveCopyIsKept()
{
    // A copy that answers is never taken for a stale one: both starts after it give way.
    ProgramFolder folder(loopbackSettingsText());
    QVERIFY(folder.isValid());
    QProcess *first = startFirstCopy(folder);
    QVERIFY(first);
    for (int i = 0; i < 2; ++i) {
        QProcess *other = folder.start();
        QVERIFY(other->waitForFinished(15000));
        QCOMPARE(other->exitCode(), 0);
        delete other;
    }
    QVERIFY(QFileInfo::exists(endpointFile()));
    QCOMPARE(first->state(), QProcess::Running);
    stop(first);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_startup_single_instance.moc"
