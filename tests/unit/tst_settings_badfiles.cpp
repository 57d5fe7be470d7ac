// Any ntp.ini, however broken, loads without a crash or a hang and shows what it can.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList defaultHosts{"192.168.0.132", "ntp.aliyun.com", "cn.pool.ntp.org"};

// Text with NUL bytes inside, kept whole.
template<int size>
QByteArray bytes(const char (&text)[size])
{
    return QByteArray(text, size - 1);
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

QByteArray manyEntries(int count)
{
    QByteArray text = "[serverIplist]\n";
    for (int i = 0; i < count; ++i)
        text += QByteArray::number(i + 1) + "\\serverList_" + QByteArray::number(i) + "=127.0.0." + QByteArray::number(i % 250 + 1) + " 1000 1000 0\n";
    return text + "size=" + QByteArray::number(count) + "\n";
}

QStringList itemEntries(const QComboBox *list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemData(i, Qt::UserRole).toString();
    return entries;
}

} // namespace

class SettingsBadFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsWhatItCan_data();
    void loadsWhatItCan();
    void unparsedFileIsNotSeededOver();
};

void SettingsBadFilesTest::loadsWhatItCan_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("count"); // -1: any number of items
    QTest::addColumn<QString>("firstHost"); // null: any host

    const QByteArray one = "[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\nsize=1\n";
    const QByteArray longHost(1 << 20, 'h');

    QTest::newRow("random bytes") << randomBytes(64 * 1024, 7) << 3 << defaultHosts.first();
    QTest::newRow("four megabytes on one line") << QByteArray(4 << 20, 'a') << 3 << defaultHosts.first();
    QTest::newRow("empty file") << QByteArray() << 3 << defaultHosts.first();
    QTest::newRow("megabyte-long entry")
        << "[serverIplist]\n1\\serverList_0=" + longHost + " 1 2 0\nsize=1\n" << 1 << QString::fromLatin1(longHost);
    QTest::newRow("five thousand entries") << manyEntries(5000) << 5000 << "127.0.0.1";
    QTest::newRow("size far beyond the entries")
        << QByteArray("[serverIplist]\n1\\serverList_0=127.0.0.1 1 2 0\n2\\serverList_1=127.0.0.2 1 2 0\nsize=2147483647\n")
        << 2 << "127.0.0.1";
    QTest::newRow("huge element number")
        << QByteArray("[serverIplist]\n2000000000\\serverList_1999999999=127.0.0.9 1 2 0\nsize=2000000000\n") << 1
        << "127.0.0.9";
    QTest::newRow("missing positions are skipped")
        << QByteArray("[serverIplist]\n3\\serverList_2=127.0.0.3 1 2 0\n1\\serverList_0=127.0.0.1 1 2 0\nsize=5\n")
        << 2 << "127.0.0.1";
    QTest::newRow("entries past the size are not read")
        << QByteArray("[serverIplist]\n1\\serverList_0=127.0.0.1 1 2 0\n2\\serverList_1=127.0.0.2 1 2 0\nsize=1\n")
        << 1 << "127.0.0.1";
    QTest::newRow("negative size") << QByteArray("[serverIplist]\n1\\serverList_0=127.0.0.1 1 2 0\nsize=-3\n") << 3
                                   << defaultHosts.first();
    QTest::newRow("size not a number") << QByteArray("[serverIplist]\n1\\serverList_0=127.0.0.1 1 2 0\nsize=many\n")
                                       << 3 << defaultHosts.first();
    QTest::newRow("element key with a wrong suffix")
        << QByteArray("[serverIplist]\n1\\serverList_7=127.0.0.1 1 2 0\nsize=1\n") << 3 << defaultHosts.first();
    QTest::newRow("current beyond int") << "[mainWindow]\nserverListCurrent=99999999999\n" + one << 1 << "127.0.0.1";
    QTest::newRow("windows line ends") << QByteArray(one).replace("\n", "\r\n") << 1 << "127.0.0.1";
    QTest::newRow("nul and invalid UTF-8 in an entry")
        << bytes("[serverIplist]\n1\\serverList_0=127.0.0.1\0\xff\xfe 1 2 0\nsize=1\n") << 1 << QString();
    QTest::newRow("section header without end")
        << QByteArray("[serverIplist\n1\\serverList_0=127.0.0.1 1 2 0\nsize=1\n") << -1 << QString();
    QTest::newRow("unbalanced quote") << QByteArray("[serverIplist]\n1\\serverList_0=\"127.0.0.1 1 2 0\nsize=1\n")
                                      << -1 << QString();
    QTest::newRow("entry as a list and a variant")
        << QByteArray("[serverIplist]\n1\\serverList_0=a, b, c\n2\\serverList_1=@Variant(\\0\\0\\0\\x7f)\nsize=2\n")
        << 2 << QString();
    QTest::newRow("random bytes after a good list") << one + randomBytes(16 * 1024, 11) << -1 << QString();
}

void SettingsBadFilesTest::loadsWhatItCan()
{
    QFETCH(QByteArray, text);
    QFETCH(int, count);
    QFETCH(QString, firstHost);
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);
    QComboBox *list = probe.ui()->comboBox_iplist;

    QFile file(iniPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), qint64(text.size()));
    file.close();
    list->clear();
    probe.loadSettings();

    QVERIFY(list->count() > 0);
    if (count >= 0)
        QCOMPARE(list->count(), count);
    if (!firstHost.isNull())
        QCOMPARE(list->itemText(0), firstHost);
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->itemText(i), list->itemData(i, Qt::UserRole).toString().section(QLatin1Char(' '), 0, 0));

    // Whatever was shown is saved and comes back as it was.
    const QStringList shown = itemEntries(list);
    const int current = list->currentIndex();
    QVERIFY(probe.saveSettings());
    list->clear();
    probe.loadSettings();
    QCOMPARE(itemEntries(list), shown);
    QCOMPARE(list->currentIndex(), current);
}

void SettingsBadFilesTest::unparsedFileIsNotSeededOver()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);
    const QByteArray text = bytes("[serverIplist\n[mainWindow]\nobjIp=127.0.0.1\n\xff\0 stray\n");
    QFile file(iniPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    QCOMPARE(QSettings(iniPath, QSettings::IniFormat).status(), QSettings::FormatError);

    probe.ui()->comboBox_iplist->clear();
    probe.loadSettings();

    QCOMPARE(probe.ui()->comboBox_iplist->itemText(0), defaultHosts.first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), text);
}

// A hang fails the test function instead of stalling the run.
int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "120000");
    QApplication app(argc, argv);
    SettingsBadFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_badfiles.moc"
