#include "sync/replymath.h"

#include <QtTest>

#include <limits>

class TestSyncReplyMath : public QObject
{
    Q_OBJECT

private slots:
    void beyondLimit_data();
    void beyondLimit();
    void utcFromDisposeTime_data();
    void utcFromDisposeTime();
    void entryText_data();
    void entryText();
};

void TestSyncReplyMath::beyondLimit_data()
{
    QTest::addColumn<qint64>("offsetMs");
    QTest::addColumn<quint32>("limitSeconds");
    QTest::addColumn<bool>("beyond");

    const qint64 nineDaysMs = 9LL * 24 * 3600 * 1000;
    const qint64 int64Min = std::numeric_limits<qint64>::min();
    const qint64 int64Max = std::numeric_limits<qint64>::max();
    QTest::newRow("1 s, +1000 ms") << qint64(1000) << quint32(1) << false;
    QTest::newRow("1 s, -1000 ms") << qint64(-1000) << quint32(1) << false;
    QTest::newRow("1 s, +1001 ms") << qint64(1001) << quint32(1) << true;
    QTest::newRow("1 s, -1001 ms") << qint64(-1001) << quint32(1) << true;
    QTest::newRow("0 s, 0 ms") << qint64(0) << quint32(0) << false;
    QTest::newRow("0 s, +1 ms") << qint64(1) << quint32(0) << true;
    QTest::newRow("0 s, -1 ms") << qint64(-1) << quint32(0) << true;
    QTest::newRow("5e6 s, 9 days") << nineDaysMs << quint32(5000000) << false;
    QTest::newRow("5e6 s, -9 days") << -nineDaysMs << quint32(5000000) << false;
    QTest::newRow("5e6 s, exactly 5e9 ms") << qint64(5000000000LL) << quint32(5000000) << false;
    QTest::newRow("5e6 s, 5e9 + 1 ms") << qint64(5000000001LL) << quint32(5000000) << true;
    QTest::newRow("stored -1 s, 49 days") << qint64(49LL * 24 * 3600 * 1000) << quint32(4294967295u) << false;
    QTest::newRow("stored -1 s, largest offset") << int64Max << quint32(4294967295u) << true;
    QTest::newRow("stored -1 s, most negative offset") << int64Min << quint32(4294967295u) << true;
    QTest::newRow("1 s, most negative offset") << int64Min << quint32(1) << true;
}

void TestSyncReplyMath::beyondLimit()
{
    QFETCH(qint64, offsetMs);
    QFETCH(quint32, limitSeconds);
    QFETCH(bool, beyond);
    QCOMPARE(replymath::beyondLimit(offsetMs, limitSeconds), beyond);
}

void TestSyncReplyMath::utcFromDisposeTime_data()
{
    QTest::addColumn<QDateTime>("dispose");
    QTest::addColumn<QDateTime>("utc");

    auto at = [](int y, int mo, int d, int h, int mi, int s, int ms, Qt::TimeSpec kind, int offset = 0) {
        return kind == Qt::OffsetFromUTC ? QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), kind, offset)
                                         : QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), kind);
    };
    QTest::newRow("leap day carry") << at(2024, 3, 1, 5, 30, 0, 250, Qt::LocalTime)
                                    << at(2024, 2, 29, 21, 30, 0, 250, Qt::UTC);
    QTest::newRow("common year carry") << at(2023, 3, 1, 0, 0, 0, 0, Qt::LocalTime)
                                       << at(2023, 2, 28, 16, 0, 0, 0, Qt::UTC);
    QTest::newRow("year carry") << at(2025, 1, 1, 7, 59, 59, 999, Qt::LocalTime)
                                << at(2024, 12, 31, 23, 59, 59, 999, Qt::UTC);
    QTest::newRow("exactly 08:00") << at(2024, 6, 15, 8, 0, 0, 0, Qt::LocalTime)
                                   << at(2024, 6, 15, 0, 0, 0, 0, Qt::UTC);
    QTest::newRow("fields of a UTC value") << at(2024, 3, 1, 5, 30, 0, 250, Qt::UTC)
                                           << at(2024, 2, 29, 21, 30, 0, 250, Qt::UTC);
    QTest::newRow("fields of a +08:00 value") << at(2024, 3, 1, 5, 30, 0, 250, Qt::OffsetFromUTC, 8 * 3600)
                                              << at(2024, 2, 29, 21, 30, 0, 250, Qt::UTC);
}

void TestSyncReplyMath::utcFromDisposeTime()
{
    QFETCH(QDateTime, dispose);
    QFETCH(QDateTime, utc);
    const QDateTime result = replymath::utcFromDisposeTime(dispose);
    QCOMPARE(result.timeSpec(), Qt::UTC);
    QCOMPARE(result.date(), utc.date());
    QCOMPARE(result.time(), utc.time());
}

void TestSyncReplyMath::entryText_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<quint32>("limit");
    QTest::addColumn<quint32>("period");
    QTest::addColumn<qint32>("state");
    QTest::addColumn<QString>("text");

    QTest::newRow("state 3") << "127.0.0.1" << quint32(100) << quint32(1000) << 3 << "127.0.0.1 100 1000 3";
    QTest::newRow("stored negatives") << "ntp.example" << quint32(4294967295u) << quint32(4294967294u) << 1
                                      << "ntp.example 4294967295 4294967294 1";
    QTest::newRow("negative state") << "h" << quint32(0) << quint32(0) << -5 << "h 0 0 -5";
    QTest::newRow("percent in host") << "a%2b" << quint32(1) << quint32(2) << 3 << "a%2b 1 2 3";
}

void TestSyncReplyMath::entryText()
{
    QFETCH(QString, host);
    QFETCH(quint32, limit);
    QFETCH(quint32, period);
    QFETCH(qint32, state);
    QFETCH(QString, text);
    QCOMPARE(replymath::entryText(host, limit, period, state), text);
}

QTEST_APPLESS_MAIN(TestSyncReplyMath)
#include "tst_sync_replymath.moc"
