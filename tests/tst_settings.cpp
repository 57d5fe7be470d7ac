// ntp.ini: what a save writes and a load gives back, a save that cannot be written, the first start
// and files the program did not write.
#include "helpers/support.h"
#include "settings/settingsdraft.h"

#include <sys/resource.h>

#include <csignal>

// No file of this process can grow beyond `bytes` from now on, as on a disk that is full.
static void limitFileSize(rlim_t bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    // A file as the program writes it comes back byte for byte through a load and a save; each pair of
    // the three boxes differs in one of the rows, so that no key can stand for another.
    void loadedAndSavedAgain()
    {
        for (auto [tray, logon, output] : {std::tuple{"true", "false", "true"}, {"false", "true", "true"}}) {
            const QByteArray text = QString("[mainWindow]\nlocalPort=1111\nobjIp=127.0.0.2\nobjPort=2222\nserverListCurrent=1\nstartrun=%1\n"
                                            "startrun_ctr=%2\ntrayicon=%3\n\n[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\n"
                                            "2\\serverList_1=127.0.0.2  5 6 3\nsize=2\n").arg(logon, output, tray).toUtf8();
            TestWindow t(text);
            QVERIFY(t.outputTimer()->isActive() && t.saveSettings()); // the time output started with the window
            QCOMPARE(readAll(t.iniPath), text);
        }
    }

    void failedSaveKeepsTheFileAndSaysSo()
    {
        TestWindow t;
        const QByteArray before = readAll(t.iniPath);
        t.ui()->lineEdit_objport->setText(QString(4096, '9'));
        ModalBoxes boxes;
        limitFileSize(64);
        QVERIFY(!t.saveSettings());
        limitFileSize(RLIM_INFINITY);
        QCOMPARE(boxes.seen, QStringList{"错误|设置保存失败，请检查ntp.ini是否可写！"});
        QVERIFY(readAll(t.iniPath) == before && QDir(t.dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"ntp.ini"});
        // Nor does a replacement cut short by the full disk.
        limitFileSize(8192);
        QVERIFY(!replaceFileWhole(t.iniPath, QByteArray(256 * 1024, 'x')));
        limitFileSize(RLIM_INFINITY);
        QCOMPARE(readAll(t.iniPath), before);
    }

    void firstStartAndFilesTheProgramDidNotWrite()
    {
        const QByteArray defaults = "[mainWindow]\nlocalPort=12345\nobjIp=255.255.255.255\nobjPort=12345\nserverListCurrent=1\n\n[serverIplist]\n"
                                    "1\\serverList_0=192.168.0.132 1000 1000 0\n2\\serverList_1=ntp.aliyun.com 1000 1000 0\n"
                                    "3\\serverList_2=cn.pool.ntp.org 1000 1000 0\nsize=3\n";
        const QStringList defaultList = {"192.168.0.132 1000 1000 0", "ntp.aliyun.com 1000 1000 0", "cn.pool.ntp.org 1000 1000 0"};
        // The file, the list shown, and what the file holds afterwards.
        const struct { QByteArray text; QStringList entries; QByteArray after; } files[] = {
            {QByteArray(), defaultList, defaults}, // none: a first start
            {"[mainWindow]\nobjIp=127.0.0.1\n", defaultList, defaults}, // no list
            {"[serverIplist\nobjIp=x\n\xff\n", defaultList, "[serverIplist\nobjIp=x\n\xff\n"}, // not an INI file
            {"[serverIplist]\n1\\serverList_0=127.0.0.1 1 2 0\nsize=2147483647\n", {"127.0.0.1 1 2 0"}, {}},
            {"[serverIplist]\n2000000000\\serverList_1999999999=127.0.0.9 1 2 0\nsize=2000000000\n", {"127.0.0.9 1 2 0"}, {}},
            {"[serverIplist]\n3\\serverList_2=127.0.0.3 1 2 0\n1\\serverList_0=127.0.0.1 1 2 0\nsize=5\n", {"127.0.0.1 1 2 0", "127.0.0.3 1 2 0"}, {}}};
        for (const auto &file : files) {
            TestWindow t(file.text);
            QVERIFY2(entriesOf(t.ui()->comboBox_iplist) == file.entries, file.text);
            QCOMPARE(readAll(t.iniPath), file.after.isNull() ? file.text : file.after);
        }
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
