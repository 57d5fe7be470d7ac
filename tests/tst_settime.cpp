// The set-time helper: the one number it takes, and what it says where it may not set the clock (as
// everywhere in the tests' own namespaces).
#include "offsetargument.h"

#include <QProcess>
#include <QtTest>

class TestSettime : public QObject
{
    Q_OBJECT
private slots:
    void takesOneNumberWithinTheLimit()
    {
        const auto limit = QByteArray::number(qint64(offsetargument::kLimitNs));
        const std::pair<QByteArray, std::optional<std::int64_t>> arguments[] = {
            {"-1", -1},
            {limit, offsetargument::kLimitNs},
            {"-" + limit, -offsetargument::kLimitNs},
            {QByteArray::number(qint64(offsetargument::kLimitNs + 1)), std::nullopt},
            {"9223372036854775807", std::nullopt}, // would overflow on the way
            {"", std::nullopt},
            {"-", std::nullopt},
            {"+1", std::nullopt},
            {"1 ", std::nullopt},
            {"0x1", std::nullopt},
        };
        for (const auto &[text, value] : arguments)
            QVERIFY2(offsetargument::parse(text.constData()) == value, text);
        const auto split = offsetargument::split(-1500000000);
        QVERIFY(split.seconds == -2 && split.nanoseconds == 500000000);
    }

    void refusedWithTheSystemsReason()
    {
        QProcess helper;
        helper.start(CHRONVALE_SETTIME, {"1000"});
        QVERIFY(helper.waitForFinished(10000) && helper.exitCode() == 3);
        QCOMPARE(helper.readAllStandardError(), QByteArray("chronvale-settime: Operation not permitted\n"));
        helper.start(CHRONVALE_SETTIME, {"1000", "1000"});
        QVERIFY(helper.waitForFinished(10000) && helper.exitCode() == 2);
    }
};

QTEST_GUILESS_MAIN(TestSettime)
#include "tst_settime.moc"
