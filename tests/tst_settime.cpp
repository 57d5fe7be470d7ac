// The set-time helper's one number (what it says where it may not set the clock: tests/package.sh).
#include "offsetargument.h"

#include <QtTest>

class TestSettime : public QObject
{
    Q_OBJECT
private slots:
    void takesOneNumberWithinTheLimit()
    {
        const std::int64_t limit = offsetargument::kLimitNs;
        for (auto [text, value] : {std::pair<QByteArray, std::int64_t>{"-1", -1},
                                   {QByteArray::number(qint64(limit)), limit},
                                   {QByteArray::number(qint64(-limit)), -limit}})
            QVERIFY2(offsetargument::parse(text.constData()) == value, text);
        // Beyond the limit, one that would overflow on the way, and what is no plain decimal number.
        for (const QByteArray &text : QList<QByteArray>{QByteArray::number(qint64(limit + 1)), "9223372036854775807",
                                                        "", "-", "+1", "1 ", "0x1"})
            QVERIFY2(!offsetargument::parse(text.constData()), text);
        const auto split = offsetargument::split(-1500000000);
        QVERIFY(split.seconds == -2 && split.nanoseconds == 500000000);
    }
};

QTEST_GUILESS_MAIN(TestSettime)
#include "tst_settime.moc"
