// ntp.ini: what a load gives and a save writes, a disk that is full, the first start, files the
// program did not write, and files it cannot read, which are kept aside before anything replaces them.
#include "helpers/support.h"
#include "settings/inifile.h"

#ifndef Q_OS_WIN
#include <sys/mount.h>
#include <sys/stat.h>
#endif

static const QStringList defaults = {"192.168.0.132 1000 1000 0", "ntp.aliyun.com 1000 1000 0",
                                     "cn.pool.ntp.org 1000 1000 0"};

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    // A file as the program writes it comes back byte for byte through a load and a save; each pair of
    // the three boxes differs in one of the rows, so that no key can stand for another.
    void loadedAndSavedAgain()
    {
        for (auto [tray, logon, output] : {std::tuple{"true", "false", "true"}, {"false", "true", "true"}}) {
            const QByteArray text =
                QString(
                    "[mainWindow]\nlocalPort=1111\nobjIp=127.0.0.2\nobjPort=2222\nserverListCurrent=1\nstartrun=%1\n"
                    "startrun_ctr=%2\ntrayicon=%3\n\n[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\n"
                    "2\\serverList_1=时间.example  5 6 3\nsize=2\n")
                    .arg(logon, output, tray)
                    .toUtf8();
            TestWindow t(text);
            QVERIFY(t.outputTimer()->isActive() && t.saveSettings()); // the time output started with the window
            QCOMPARE(readAll(t.iniPath), text);
        }
    }

    // A file written by an older version, through QSettings, reads the same, and one written now reads the
    // same to QSettings (the non-ASCII texts aside, which are UTF-8 now and were escaped then).
    void readsAndWritesLikeQSettings()
    {
        const QStringList texts = {"plain 1 2 0",
                                   " lead",
                                   "trail ",
                                   "a,b",
                                   "a;b",
                                   "a=b",
                                   "q\"q",
                                   "back\\slash",
                                   "@Variant(x)",
                                   "@@at",
                                   "tab\there",
                                   "nl\nx",
                                   QString::fromLatin1("n\0"
                                                       "5\x01"
                                                       "5",
                                                       5),
                                   "#hash",
                                   "[sec]",
                                   "",
                                   "时间"};
        QTemporaryDir dir;
        QMap<QString, QString> ours;
        {
            QSettings theirs(dir.filePath("theirs.ini"), QSettings::IniFormat);
            for (int i = 0; i < texts.size(); ++i)
                theirs.setValue(ours.insert(QString("s/k%1").arg(i), texts[i]).key(), texts[i]);
        }
        QCOMPARE(inifile::parse(readAll(dir.filePath("theirs.ini"))).values, ours);
        QVERIFY(writeAll(dir.filePath("ours.ini"), inifile::format(ours)));
        QSettings read(dir.filePath("ours.ini"), QSettings::IniFormat);
        for (int i = 0; i < texts.size() - 1; ++i)
            QCOMPARE(read.value(QString("s/k%1").arg(i)).toString(), texts[i]);
    }

    // On a file system of the test's own, filled to the last byte, the file stays and the user is told.
    void diskFull()
    {
#ifdef Q_OS_WIN
        QSKIP("needs a file system of the test's own");
#else
        TestWindow t;
        const QByteArray before = readAll(t.iniPath);
        QVERIFY(::mount("tmpfs", QFile::encodeName(t.dir.path()), "tmpfs", 0, "size=64k") == 0);
        QFile filler(t.dir.filePath("filler"));
        QVERIFY(writeAll(t.iniPath, before) && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write("x", 1) == 1) {
        }
        ModalBoxes boxes;
        t.ui()->lineEdit_objport->setText("4321");
        t.ui()->pushButton_ok->click();
        QCOMPARE(boxes.seen, QStringList{"错误|设置保存失败，请检查ntp.ini是否可写！"});
        QVERIFY(readAll(t.iniPath) == before && QDir(t.dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 2);
        QVERIFY(::umount2(QFile::encodeName(t.dir.path()), MNT_DETACH) == 0);
#endif
    }

    void firstStartAndFilesTheProgramDidNotWrite()
    {
        const QByteArray written =
            "[mainWindow]\nlocalPort=12345\nobjIp=255.255.255.255\nobjPort=12345\nserverListCurrent=1\n\n[serverIplist]"
            "\n"
            "1\\serverList_0=192.168.0.132 1000 1000 0\n2\\serverList_1=ntp.aliyun.com 1000 1000 0\n"
            "3\\serverList_2=cn.pool.ntp.org 1000 1000 0\nsize=3\n";
        const QByteArray variant = "@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)";
        // The file, the list shown with its selected entry, and what the file holds afterwards (none: as it was).
        const struct
        {
            QByteArray text;
            QStringList entries;
            int current;
            QByteArray after;
        } files[] = {
            {QByteArray(), defaults, 1, written},                      // none: a first start
            {"[mainWindow]\nobjIp=127.0.0.1\n", defaults, 1, written}, // no list
            {"[serverIplist]\n1\\serverList_0=x 1 2 0\n2\\serverList_1=y 1 2 0\nsize=2147483647\n",
             {"x 1 2 0", "y 1 2 0"},
             0,
             {}},
            {"[serverIplist]\n3\\serverList_2=z 1 2 0\n1\\serverList_0=x 1 2 0\nsize=5\n",
             {"x 1 2 0", "", "z 1 2 0"},
             0,
             {}}, // a gap
            {"[serverIplist]\n1\\serverList_0=x 1 2 0\nsize=-5\n", {"x 1 2 0"}, 0, {}},
            {"[serverIplist]\n1\\serverList_0=x 1 2 0\nsize=abc\n", {"x 1 2 0"}, 0, {}},
            {"[serverIplist]\n1\\serverList_0=x 1 2 0\nSize=1\n", {"x 1 2 0"}, 0, {}},
            {"[serverIplist]\n1\\serverList_0=x 1 2 0 ; the lab's clock\nsize=1\n", {"x 1 2 0"}, 0, {}},
            {"[serverIplist]\n1\\serverList_7=x 1 2 0\nsize=1\n", {"x 1 2 0"}, 0, {}},
            {"[mainWindow]\nserverListCurrent=-1\n[serverIplist]\n1\\serverList_0=x 1 2 0\n2\\serverList_1=y 1 2 "
             "0\nsize=2\n",
             {"x 1 2 0", "y 1 2 0"},
             0,
             {}},
            {"[mainWindow]\ntrayicon=" + variant + "\n[serverIplist]\n1\\serverList_0=" + variant + "\nsize=1\n",
             {QString::fromLatin1("@Variant(\0\0\0\t\x7f\xff\xff\xff)", 18)},
             0,
             {}}, // a crash at every start once
            {"[serverIplist]\n1\\serverList_0=时间.example 1 2 0\nsize=1\n", {"时间.example 1 2 0"}, 0, {}},
            {"[serverIplist\n1\\serverList_0=x 1 2 0\n",
             {"x 1 2 0"},
             0,
             {}}, // not quite INI: read as far as it goes, kept
            {"[serverIplist]\n2000000000\\serverList_1999999999=x 1 2 0\nsize=2000000000\n", defaults, 1, {}},
            {"[serverIplisT]\n1\\serverList_0=x 1 2 0\nsize=1\n",
             defaults,
             1,
             {}}}; // one bit flipped: kept until the first save
        for (const auto &file : files) {
            TestWindow t(file.text);
            QVERIFY2(entriesOf(t.ui()->comboBox_iplist) == file.entries
                         && t.ui()->comboBox_iplist->currentIndex() == file.current,
                     file.text);
            QCOMPARE(readAll(t.iniPath), file.after.isNull() ? file.text : file.after);
        }
    }

    // Kept aside once, before the first save, the user told where; so are a FIFO and a link to a
    // device, which are never read at all.
    void unreadableFileKeptAside()
    {
        const QByteArray damaged = "[serverIplist\n1\\serverList_0=127.0.0.5 1 2 0\n";
        TestWindow t(damaged);
        ModalBoxes boxes;
        QVERIFY(t.saveSettings() && t.saveSettings());
        const QString told = "|ntp.ini无法完整读取，原文件已另存为" + QDir::toNativeSeparators(t.iniPath) + ".bad";
        QVERIFY(boxes.seen == QStringList{told} && readAll(t.iniPath + ".bad") == damaged);
#ifndef Q_OS_WIN // no FIFOs or device files there
        QVERIFY(QFile::remove(t.iniPath) && ::mkfifo(QFile::encodeName(t.iniPath), 0600) == 0);
        MainWindow fifo;
        QVERIFY(fifo.close() && QFileInfo(t.iniPath + ".bad").exists() && !QFileInfo(t.iniPath + ".bad").isFile());
        QVERIFY(QFile::remove(t.iniPath) && QFile::link("/dev/zero", t.iniPath));
        MainWindow zeros;
        QCOMPARE(entriesOf(zeros.findChild<QComboBox *>("comboBox_iplist")), defaults);
        QVERIFY(zeros.close() && QFileInfo(t.iniPath + ".bad").isSymLink());
        QCOMPARE(boxes.seen, (QStringList{told, told, told}));
#endif
        // Nor does a missing temporary folder matter: nothing goes through it.
        const QByteArray temporaryFolder = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/nonexistent");
        QVERIFY(writeAll(t.iniPath, iniText({"127.0.0.7 1 2 0"})));
        MainWindow withoutTemporaryFolder;
        QCOMPARE(entriesOf(withoutTemporaryFolder.findChild<QComboBox *>("comboBox_iplist")),
                 QStringList{"127.0.0.7 1 2 0"});
        QVERIFY(withoutTemporaryFolder.close() && boxes.seen.last() == told);
        qputenv("TMPDIR", temporaryFolder);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
