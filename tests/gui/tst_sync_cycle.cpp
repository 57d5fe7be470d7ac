// When requests go out and how the cycle stops: driven through the slots, with a listener
// on 127.0.0.1:123 standing where the server would be (it never answers).
#include "gui/tst_sync_window.h"
#include "helpers/modalboxes.h"
#include "ntpreply.h"

#include <QHostInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString lookupFailed = QStringLiteral("无法访问服务器域名，请检查域名是否有效后重试！");
const QString requesting = QStringLiteral("请求同步时间");
const QString noServer = QStringLiteral("没有可用的服务器！");
const QString watchdogFailure = QStringLiteral("不能同步时间，请检查服务器参数！");
const QString unresolvable = QStringLiteral("no-such-host.invalid");

int versionOf(const QByteArray &request)
{
    return request.isEmpty() ? -1 : (quint8(request.at(0)) >> 3) & 7;
}

} // namespace

class TestSyncCycle : public QObject
{
    Q_OBJECT

private slots:
    void periodicRequests_data();
    void periodicRequests();
    void scheduleFromProgramStart();
    void watchdogFailsAtFifthTick();
    void watchdogEndsAfterReply_data();
    void watchdogEndsAfterReply();
    void placeholderRefusal_data();
    void placeholderRefusal();
    void placeholderAfterButtonStillWatched();
    void failedLookupDuringSyncStart_data();
    void failedLookupDuringSyncStart();
    void failedLookupDuringPeriodicRequest();
    void hostForms_data();
    void hostForms();
};

void TestSyncCycle::periodicRequests_data()
{
    QTest::addColumn<QString>("periodField");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<int>>("sendingTicks");

    QTest::newRow("period 2") << "2" << 8 << QList<int>{3, 5, 7};
    QTest::newRow("period 1000") << "1000" << 2002 << QList<int>{1001, 2001};
    QTest::newRow("period 1") << "1" << 5 << QList<int>{2, 3, 4, 5};
    QTest::newRow("period 0") << "0" << 4 << QList<int>{1, 2, 3, 4};
    QTest::newRow("period -1") << "-1" << 3000 << QList<int>{};
    QTest::newRow("period non-numeric") << "x" << 3 << QList<int>{1, 2, 3};
}

// syncStart asks at once; then each call of DoSync is one second of the sync timer.
void TestSyncCycle::periodicRequests()
{
    QFETCH(QString, periodField);
    QFETCH(int, ticks);
    QFETCH(QList<int>, sendingTicks);

    RequestListener server;
    QVERIFY(server.listen());
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 100 %1 0").arg(periodField)}, 0);
    server.takeWithin(50);

    p.syncStart();
    p.syncTimer()->stop(); // the ticks below stand for it
    const QList<QByteArray> first = server.takeWithin(1000, 1);
    QCOMPARE(first.size(), 1);
    QCOMPARE(versionOf(first.first()), 4);

    QList<int> sentAt;
    for (int tick = 1; tick <= ticks; ++tick) {
        p.DoSync();
        for (int i = server.take().size(); i > 0; --i)
            sentAt.append(tick);
    }
    for (int i = server.takeWithin(200).size(); i > 0; --i)
        sentAt.append(-1); // a late arrival belongs to no tick
    QCOMPARE(sentAt, sendingTicks);
}

// Requests at start, at +3 s and +5 s (period 2 + 1, then every 2), at +6 s from the one-shot
// restart, and at +9 s (6 + period + 1).
void TestSyncCycle::scheduleFromProgramStart()
{
    RequestListener server;
    QVERIFY(server.listen());
    QElapsedTimer clock;
    clock.start();
    SyncTestWindow t(QStringLiteral("127.0.0.1 100 2 0"));

    QList<qint64> seconds;
    while (clock.elapsed() < 9600) {
        QTest::qWait(20);
        for (int i = server.take().size(); i > 0; --i)
            seconds.append((clock.elapsed() + 500) / 1000);
    }
    QCOMPARE(seconds, (QList<qint64>{0, 3, 5, 6, 9}));
}

void TestSyncCycle::watchdogFailsAtFifthTick()
{
    RequestListener server;
    QVERIFY(server.listen());
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    ModalBoxCloser boxes;
    t.useEntries({QStringLiteral("127.0.0.1 100 1000 0")}, 0);
    p.replyArrived() = true;
    server.takeWithin(50);

    p.ui()->pushButton_sync->click();
    QCOMPARE(server.takeWithin(1000, 1).size(), 1);
    QVERIFY(!p.ui()->pushButton_sync->isEnabled());
    QVERIFY(!p.replyArrived());
    QVERIFY(p.statusTimer()->isActive());
    QVERIFY(p.syncTimer()->isActive());
    QCOMPARE(p.ui()->label_syncinfo->text(), requesting);
    p.statusTimer()->stop(); // the ticks below stand for it

    for (quint64 tick = 1; tick <= 4; ++tick) {
        p.DoStatus();
        QCOMPARE(p.statusTicks(), tick);
        QVERIFY(p.syncTimer()->isActive());
        QVERIFY(!p.ui()->pushButton_sync->isEnabled());
        QCOMPARE(boxes.count(), 0);
    }

    bool syncTimerOnWhileBoxOpen = true;
    QString statusWhileBoxOpen;
    QTimer::singleShot(0, [&] {
        syncTimerOnWhileBoxOpen = p.syncTimer()->isActive() || p.statusTimer()->isActive();
        statusWhileBoxOpen = p.statusLabel() ? p.statusLabel()->text() : watchdogFailure;
    });
    p.notSynced() = 0;
    p.DoStatus();

    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, watchdogFailure);
    QCOMPARE(boxes.last().title, QString());
    QVERIFY(!boxes.last().hadParent);
    QVERIFY(!syncTimerOnWhileBoxOpen);
    QCOMPARE(statusWhileBoxOpen, watchdogFailure);
    if (p.statusLabel())
        QCOMPARE(p.statusLabel()->text(), QStringLiteral("Chronvale"));
    QCOMPARE(p.ui()->pushButton_sync->text(), QStringLiteral("立即同步时间"));
    QCOMPARE(p.ui()->label_syncinfo->text(), QStringLiteral("同步错误，请检查服务器参数！"));
    QCOMPARE(p.notSynced(), 1);
    QCOMPARE(p.statusTicks(), quint64(0));
    QVERIFY(!p.statusTimer()->isActive());
    QVERIFY(!p.syncTimer()->isActive());
    QVERIFY(p.ui()->pushButton_sync->isEnabled());
}

void TestSyncCycle::watchdogEndsAfterReply_data()
{
    QTest::addColumn<int>("replyBeforeTick");
    QTest::addColumn<int>("endTick");

    QTest::newRow("reply before the first tick") << 1 << 2;
    QTest::newRow("reply before the third tick") << 3 << 3;
    QTest::newRow("reply before the fifth tick") << 5 << 5;
}

void TestSyncCycle::watchdogEndsAfterReply()
{
    QFETCH(int, replyBeforeTick);
    QFETCH(int, endTick);

    RequestListener server;
    QVERIFY(server.listen());
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    ModalBoxCloser boxes;
    t.useEntries({QStringLiteral("127.0.0.1 100 1000 0")}, 0);
    p.ui()->pushButton_sync->click();
    p.statusTimer()->stop(); // the ticks below stand for it
    p.statusTimer()->start(100000);

    for (int tick = 1; tick <= endTick; ++tick) {
        if (tick == replyBeforeTick)
            p.replyReceived(NtpReply(5, 1, QDateTime(QDate(2026, 1, 2), QTime(10, 0))));
        p.DoStatus();
        const bool ended = tick == endTick;
        QCOMPARE(p.statusTimer()->isActive(), !ended);
        QCOMPARE(p.ui()->pushButton_sync->isEnabled(), ended);
    }
    QCOMPARE(p.statusTicks(), quint64(0));
    QVERIFY(p.syncTimer()->isActive());
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(p.notSynced(), 0);
}

void TestSyncCycle::placeholderRefusal_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("syncTimerWasOn");
    QTest::addColumn<bool>("refused");

    QTest::newRow("blank item") << QStringList{QString()} << false << true;
    QTest::newRow("blank item, cycle running") << QStringList{QString()} << true << true;
    QTest::newRow("one-character host") << QStringList{QStringLiteral("x 100 1000 0")} << false << true;
    QTest::newRow("two-character host") << QStringList{QStringLiteral("ab 100 1000 0")} << false << false;
    QTest::newRow("blank item and a server")
        << QStringList{QString(), QStringLiteral("127.0.0.1 100 1000 0")} << false << false;
    QTest::newRow("empty list") << QStringList{} << false << false;
}

void TestSyncCycle::placeholderRefusal()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, syncTimerWasOn);
    QFETCH(bool, refused);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    ModalBoxCloser boxes;
    t.useEntries(entries, entries.size() - 1);
    p.stopSync();
    if (syncTimerWasOn)
        p.syncTimer()->start(1000);
    p.ui()->pushButton_sync->setEnabled(false);
    p.ui()->label_syncinfo->setText(QStringLiteral("未同步"));

    p.syncStart();

    if (refused) {
        QVERIFY(p.ui()->pushButton_sync->isEnabled());
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, noServer);
        QCOMPARE(boxes.last().title, QString());
        QVERIFY(!boxes.last().hadParent);
        QCOMPARE(p.syncTimer()->isActive(), syncTimerWasOn);
        QCOMPARE(p.ui()->label_syncinfo->text(), QStringLiteral("未同步"));
    } else {
        QCOMPARE(boxes.count(), 0);
        QVERIFY(p.syncTimer()->isActive());
        QCOMPARE(p.ui()->label_syncinfo->text(), requesting);
    }
}

// The box does not stop a watchdog the button armed: its own failure follows.
void TestSyncCycle::placeholderAfterButtonStillWatched()
{
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    ModalBoxCloser boxes;
    t.useEntries({QString()}, 0);

    p.ui()->pushButton_sync->click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, noServer);
    QVERIFY(p.statusTimer()->isActive());
    QVERIFY(p.ui()->pushButton_sync->isEnabled());
    p.statusTimer()->stop(); // the ticks below stand for it

    for (int tick = 1; tick <= 5; ++tick)
        p.DoStatus();
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(boxes.last().text, watchdogFailure);
}

void TestSyncCycle::failedLookupDuringSyncStart_data()
{
    QTest::addColumn<bool>("byButton");

    QTest::newRow("start") << false;
    QTest::newRow("button") << true;
}

// The lookup stops the cycle, then syncStart runs the sync timer again and overwrites the text.
void TestSyncCycle::failedLookupDuringSyncStart()
{
    QFETCH(bool, byButton);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    ModalBoxCloser boxes;
    t.useEntries({unresolvable + QStringLiteral(" 100 1000 0")}, 0);
    p.notSynced() = 0;
    p.syncTicks() = 9;

    if (byButton)
        p.ui()->pushButton_sync->click();
    else
        p.syncStart();

    QCOMPARE(p.ui()->label_syncinfo->text(), requesting);
    QVERIFY(p.syncTimer()->isActive());
    QVERIFY(!p.statusTimer()->isActive());
    QVERIFY(p.ui()->pushButton_sync->isEnabled());
    QCOMPARE(p.notSynced(), 1);
    QCOMPARE(p.syncTicks(), 0u);
    QCOMPARE(boxes.count(), 0);
}

void TestSyncCycle::failedLookupDuringPeriodicRequest()
{
    RequestListener server;
    QVERIFY(server.listen());
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 100 0 0"), unresolvable + QStringLiteral(" 100 0 0")}, 0);
    server.takeWithin(50);
    p.ui()->pushButton_sync->click();
    QCOMPARE(server.takeWithin(1000, 1).size(), 1);
    t.select(1);
    p.notSynced() = 0;

    p.DoSync();

    QCOMPARE(p.ui()->label_syncinfo->text(), lookupFailed);
    QVERIFY(!p.syncTimer()->isActive());
    QVERIFY(!p.statusTimer()->isActive());
    QVERIFY(p.ui()->pushButton_sync->isEnabled());
    QCOMPARE(p.ui()->pushButton_sync->text(), QStringLiteral("立即同步时间"));
    QCOMPARE(p.notSynced(), 1);
    QCOMPARE(p.statusTicks(), quint64(0));
    QCOMPARE(server.takeWithin(100).size(), 0);
}

void TestSyncCycle::hostForms_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("destination"); // empty: the lookup fails

    QTest::newRow("dotted quad") << "127.0.0.1" << "127.0.0.1";
    QTest::newRow("leading zeros read as decimal") << "127.0.0.010" << "127.0.0.10";
    QTest::newRow("short form goes to the resolver") << "127.1" << "127.0.0.1";
    QTest::newRow("name: first address")
        << "localhost" << QHostInfo::fromName(QStringLiteral("localhost")).addresses().value(0).toString();
    QTest::newRow("part above 255 is a name") << "256.1.1.1" << QString();
    QTest::newRow("address with trailing text is a name") << "127.0.0.1x" << QString();
    QTest::newRow("empty host") << QString() << QString();
    QTest::newRow("unresolvable name") << unresolvable << QString();
}

void TestSyncCycle::hostForms()
{
    QFETCH(QString, host);
    QFETCH(QString, destination);

    RequestListener server;
    if (!destination.isEmpty())
        QVERIFY(server.listen(QHostAddress(destination)));
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 100 1000 0")}, 0);
    p.syncStart();
    server.takeWithin(50);
    p.serverHost() = host;

    p.sendSyncRequest();

    if (destination.isEmpty()) {
        QCOMPARE(p.ui()->label_syncinfo->text(), lookupFailed);
        QVERIFY(!p.syncTimer()->isActive());
    } else {
        QCOMPARE(server.takeWithin(1000, 1).size(), 1);
        QCOMPARE(p.ui()->label_syncinfo->text(), requesting);
        QVERIFY(p.syncTimer()->isActive());
    }
}

QTEST_MAIN(TestSyncCycle)
#include "tst_sync_cycle.moc"
