// How a reply is judged: the limit, the clock that is set, the texts and the entry's state.
#include "gui/tst_sync_window.h"
#include "ntpreply.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QDateTime leapDayDispose(QDate(2024, 3, 1), QTime(5, 30, 0, 250));

QString expectedSuccess(qint64 delay, qint64 offset)
{
    return QStringLiteral("同步时间成功！时延%1ms 偏差%2ms").arg(delay).arg(offset);
}

} // namespace

class TestSyncEvaluation : public QObject
{
    Q_OBJECT

private slots:
    void limit_data();
    void limit();
    void clockTimeIsDisposeTimeLess8Hours_data();
    void clockTimeIsDisposeTimeLess8Hours();
    void successText_data();
    void successText();
    void stateThreeToOneToThree();
    void replyJudgedByNewlySelectedEntry();
    void clockSetFailure_data();
    void clockSetFailure();
    void replyAfterStopStillSetsClock();
};

void TestSyncEvaluation::limit_data()
{
    QTest::addColumn<QString>("limitField");
    QTest::addColumn<qint64>("offsetMs");
    QTest::addColumn<bool>("withinLimit");

    const qint64 nineDays = 9LL * 24 * 3600 * 1000;
    QTest::newRow("1 s, +1000 ms") << "1" << qint64(1000) << true;
    QTest::newRow("1 s, -1000 ms") << "1" << qint64(-1000) << true;
    QTest::newRow("1 s, +1001 ms") << "1" << qint64(1001) << false;
    QTest::newRow("1 s, -1001 ms") << "1" << qint64(-1001) << false;
    QTest::newRow("0 s, 0 ms") << "0" << qint64(0) << true;
    QTest::newRow("0 s, +1 ms") << "0" << qint64(1) << false;
    QTest::newRow("0 s, -1 ms") << "0" << qint64(-1) << false;
    QTest::newRow("5000000 s, 9 days") << "5000000" << nineDays << true;
    QTest::newRow("5000000 s, -9 days") << "5000000" << -nineDays << true;
    QTest::newRow("-1 s, 30 days") << "-1" << qint64(30LL * 24 * 3600 * 1000) << true;
}

// Starts from the watched state (both timers on, button disabled) with ticks counted.
void TestSyncEvaluation::limit()
{
    QFETCH(QString, limitField);
    QFETCH(qint64, offsetMs);
    QFETCH(bool, withinLimit);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    const QString entry = QStringLiteral("127.0.0.1 %1 1000 0").arg(limitField);
    t.useEntries({entry}, 0);
    p.entryState() = 0;
    p.notSynced() = 1;
    p.replyArrived() = false;
    p.syncTimer()->start(1000);
    p.statusTimer()->start(1000);
    p.ui()->pushButton_sync->setEnabled(false);
    p.syncTicks() = 7;
    p.statusTicks() = 2;
    recordingclock::reset();

    p.replyReceived(NtpReply(offsetMs, 12, leapDayDispose));

    QVERIFY(p.replyArrived());
    QCOMPARE(p.ui()->comboBox_iplist->itemText(0), QStringLiteral("127.0.0.1"));
    if (withinLimit) {
        QCOMPARE(recordingclock::requests().size(), 1);
        QCOMPARE(p.ui()->label_syncinfo->text(), expectedSuccess(12, offsetMs));
        QCOMPARE(p.notSynced(), 0);
        QCOMPARE(p.entryState(), 0);
        QCOMPARE(p.ui()->comboBox_iplist->itemData(0).toString(), entry);
        QVERIFY(p.syncTimer()->isActive());
        QVERIFY(p.statusTimer()->isActive());
        QVERIFY(!p.ui()->pushButton_sync->isEnabled());
        QCOMPARE(p.syncTicks(), 7u);
    } else {
        QCOMPARE(recordingclock::requests().size(), 0);
        QCOMPARE(p.ui()->label_syncinfo->text(), QStringLiteral("超出同步时间限制，同步停止"));
        QCOMPARE(p.notSynced(), 1);
        QCOMPARE(p.entryState(), 3);
        const QString stored = QStringLiteral("127.0.0.1 %1 1000 3").arg(quint32(limitField.toInt()));
        QCOMPARE(p.ui()->comboBox_iplist->itemData(0).toString(), stored);
        QVERIFY(!p.syncTimer()->isActive());
        QVERIFY(!p.statusTimer()->isActive());
        QVERIFY(p.ui()->pushButton_sync->isEnabled());
        QCOMPARE(p.ui()->pushButton_sync->text(), QStringLiteral("立即同步时间"));
        QCOMPARE(p.syncTicks(), 0u);
        QCOMPARE(p.statusTicks(), quint64(0));
    }
}

void TestSyncEvaluation::clockTimeIsDisposeTimeLess8Hours_data()
{
    QTest::addColumn<QDateTime>("dispose");
    QTest::addColumn<QDateTime>("utc");

    QTest::newRow("leap year, 1 March before 08:00")
        << leapDayDispose << QDateTime(QDate(2024, 2, 29), QTime(21, 30, 0, 250), Qt::UTC);
    QTest::newRow("new year before 08:00") << QDateTime(QDate(2027, 1, 1), QTime(7, 59, 59, 999))
                                           << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
    QTest::newRow("afternoon") << QDateTime(QDate(2026, 7, 4), QTime(15, 0, 0, 1))
                               << QDateTime(QDate(2026, 7, 4), QTime(7, 0, 0, 1), Qt::UTC);
}

void TestSyncEvaluation::clockTimeIsDisposeTimeLess8Hours()
{
    QFETCH(QDateTime, dispose);
    QFETCH(QDateTime, utc);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 100 1000 0")}, 0);
    recordingclock::reset();

    p.replyReceived(NtpReply(5, 3, dispose));

    QCOMPARE(recordingclock::requests().size(), 1);
    const QDateTime recorded = recordingclock::requests().first();
    QCOMPARE(recorded.timeSpec(), Qt::UTC);
    QCOMPARE(recorded, utc);
}

void TestSyncEvaluation::successText_data()
{
    QTest::addColumn<qint64>("delay");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QString>("text");

    QTest::newRow("negative offset") << qint64(12) << qint64(-3) << "同步时间成功！时延12ms 偏差-3ms";
    QTest::newRow("zeros") << qint64(0) << qint64(0) << "同步时间成功！时延0ms 偏差0ms";
    QTest::newRow("wide numbers") << qint64(1234) << qint64(98765) << "同步时间成功！时延1234ms 偏差98765ms";
}

void TestSyncEvaluation::successText()
{
    QFETCH(qint64, delay);
    QFETCH(qint64, offset);
    QFETCH(QString, text);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 1000 1000 0")}, 0);

    p.replyReceived(NtpReply(offset, delay, leapDayDispose));

    QCOMPARE(p.ui()->label_syncinfo->text(), text);
}

void TestSyncEvaluation::stateThreeToOneToThree()
{
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 1 60 3")}, 0);
    p.entryState() = 3;

    p.replyReceived(NtpReply(-400, 2, leapDayDispose));
    QCOMPARE(p.entryState(), 1);
    QCOMPARE(t.list()->itemData(0).toString(), QStringLiteral("127.0.0.1 1 60 1"));
    QCOMPARE(t.list()->itemText(0), QStringLiteral("127.0.0.1"));
    QCOMPARE(p.ui()->label_syncinfo->text(), expectedSuccess(2, -400));

    p.replyReceived(NtpReply(700, 2, leapDayDispose));
    QCOMPARE(p.entryState(), 1);
    QCOMPARE(t.list()->itemData(0).toString(), QStringLiteral("127.0.0.1 1 60 1"));

    p.replyReceived(NtpReply(1500, 2, leapDayDispose));
    QCOMPARE(p.entryState(), 3);
    QCOMPARE(t.list()->itemData(0).toString(), QStringLiteral("127.0.0.1 1 60 3"));
    QCOMPARE(t.list()->itemText(0), QStringLiteral("127.0.0.1"));
    QCOMPARE(recordingclock::requests().size(), 2);
}

void TestSyncEvaluation::replyJudgedByNewlySelectedEntry()
{
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    const QString first = QStringLiteral("127.0.0.1 100 1000 0");
    t.useEntries({first, QStringLiteral("127.0.0.2 1 500 0")}, 0);
    recordingclock::reset();
    // A request went to the first server; the user then picks the second before the reply.
    t.select(1);

    p.replyReceived(NtpReply(5000, 4, leapDayDispose));

    QCOMPARE(recordingclock::requests().size(), 0);
    QCOMPARE(p.entryState(), 3);
    QCOMPARE(t.list()->itemData(1).toString(), QStringLiteral("127.0.0.2 1 500 3"));
    QCOMPARE(t.list()->itemData(0).toString(), first);
    QCOMPARE(t.list()->itemText(1), QStringLiteral("127.0.0.2"));
}

void TestSyncEvaluation::clockSetFailure_data()
{
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<int>("stateAfter");

    QTest::newRow("state 0") << 0 << 0;
    QTest::newRow("state 3 still becomes 1") << 3 << 1;
}

void TestSyncEvaluation::clockSetFailure()
{
    QFETCH(int, stateBefore);
    QFETCH(int, stateAfter);

    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 10 1000 %1").arg(stateBefore)}, 0);
    p.entryState() = stateBefore;
    p.notSynced() = 0;
    recordingclock::failWith(QStringLiteral("Operation not permitted"));

    QTest::ignoreMessage(QtDebugMsg, "set system clock failed: Operation not permitted");
    p.replyReceived(NtpReply(-3, 12, leapDayDispose));

    QCOMPARE(recordingclock::requests().size(), 1);
    QCOMPARE(p.ui()->label_syncinfo->text(), QStringLiteral("同步时间失败，无法设置系统时间！时延12ms 偏差-3ms"));
    QCOMPARE(p.notSynced(), 1);
    QCOMPARE(p.entryState(), stateAfter);
    QCOMPARE(t.list()->itemData(0).toString(), QStringLiteral("127.0.0.1 10 1000 %1").arg(stateAfter));
    recordingclock::reset();
}

void TestSyncEvaluation::replyAfterStopStillSetsClock()
{
    SyncTestWindow t;
    MainWindowProbe p = t.probe();
    t.useEntries({QStringLiteral("127.0.0.1 100 1000 0")}, 0);
    p.stopSync();
    recordingclock::reset();

    p.replyReceived(NtpReply(250, 8, leapDayDispose));

    QCOMPARE(recordingclock::requests().size(), 1);
    QCOMPARE(p.ui()->label_syncinfo->text(), expectedSuccess(8, 250));
    QCOMPARE(p.notSynced(), 0);
    QVERIFY(!p.syncTimer()->isActive());
    QVERIFY(!p.statusTimer()->isActive());
}

QTEST_MAIN(TestSyncEvaluation)
#include "tst_sync_evaluation.moc"
