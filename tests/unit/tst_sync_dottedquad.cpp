#include "sync/dottedquad.h"

#include <QtTest>

class TestSyncDottedQuad : public QObject
{
    Q_OBJECT

private slots:
    void decimalParts_data();
    void decimalParts();
};

void TestSyncDottedQuad::decimalParts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");

    QTest::newRow("plain") << "127.0.0.1" << "127.0.0.1";
    QTest::newRow("leading zeros are decimal") << "010.0.0.010" << "10.0.0.10";
    QTest::newRow("three-digit zeros") << "127.000.000.001" << "127.0.0.1";
    QTest::newRow("largest parts") << "255.255.255.255" << "255.255.255.255";
    QTest::newRow("smallest") << "0.0.0.0" << "0.0.0.0";
    QTest::newRow("mixed") << "192.168.0.132" << "192.168.0.132";
}

void TestSyncDottedQuad::decimalParts()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    const QHostAddress result = dottedquad::toAddress(text);
    QCOMPARE(result.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(result.toString(), address);
}

QTEST_APPLESS_MAIN(TestSyncDottedQuad)
#include "tst_sync_dottedquad.moc"
