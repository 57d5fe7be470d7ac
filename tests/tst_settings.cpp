// ntp.ini: what a load gives and a save writes, a disk that is full, the first start, files the
// program did not write, and files it cannot read, which are kept aside before anything replaces them.
#include "helpers/support.h"
#include "settings/inifile.h"
#include "settings/settingsfolder.h"

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
                QString("[mainWindow]\nlocalPort=1111\nobjIp=127.0.0.2\nobjPort=2222\nserverListCurrent=1\n"
                        "startrun=%1\nstartrun_ctr=%2\ntrayicon=%3\n\n[serverIplist]\n1\\serverList_0=127.0.0.1 "
                        "1000 1000 0\n2\\serverList_1=\\x65f6\\x95f4.example  5 6 3\\x3000\nsize=2\n")
                    .arg(logon, output, tray)
                    .toUtf8();
            TestWindow t(text);
            QVERIFY(t.outputTimer()->isActive() && t.saveSettings()); // the time output started with the window
            QCOMPARE(readAll(t.iniPath), text);
        }
    }

    // Whatever QSettings makes of a file, the reader gives the same text for each key it gives, or says
    // that it could not read the file whole. Raw UTF-8, typed by hand, is the one difference meant.
    void readsAndWritesAsQSettingsDoes()
    {
        QTemporaryDir dir;
        for (const auto &[text, whole] :
             {std::pair<QByteArray, bool>{"[s]\nk=\xe6\x97\xb6 \"x\"\n", true}, // raw UTF-8
              {"[s]\nk=\xb1\xca\n", false},                                     // raw bytes that are not UTF-8
              {QByteArray("[a]\nk=x\0y\n[s]\nk=1\n", 18), false},               // a NUL byte
              {"[a]\rk=1\r; was C:\\ntp\\\r[s]\rk=2\r", true},     // old Mac line ends, a comment ending in a backslash
              {"[s]\nk=@Variant(\\0\\0\\0\\x1\\0)\nj=1\n", false}, // a serialized false
              {"[s]\nk=@ByteArray(x\\x41)\nj=@Invalid()\ni=\\x0041B\\101\n", true}, // long escapes too
              {"[s]\nk=a, b\n", false},                                             // a list
              {"[s]\nk=1\njunk\n", false},                                          // a line that is no key
              {"; nothing else\n", false}}) {
            // A file name each: QSettings keeps what it read of a name while size and time look unchanged.
            const QString path = dir.filePath(QString::number(qHash(text)) + ".ini");
            QVERIFY(writeAll(path, text));
            QSettings theirs(path, QSettings::IniFormat);
            const inifile::Document ours = inifile::parse(text);
            QVERIFY2(ours.wellFormed == whole, text);
            for (const QString &key : ours.values.keys()) {
                const QString value = theirs.value(key).toString();
                QCOMPARE(ours.values[key], text.contains("\xe6") ? QString::fromUtf8(value.toLatin1()) : value);
            }
            for (const QString &key : theirs.allKeys())
                QVERIFY(ours.values.contains(key) || !whole || !theirs.value(key).isValid());
        }
        // What QSettings writes for these texts, the writer writes byte for byte, and reads back.
        QStringList texts = {"plain 1 2 0", " lead",         "trail ",      "a,b",  "a;b",       "a=b",
                             "q\"q",        "back\\slash",   "@Variant(x)", "@@at", "tab\there", "nl\nx",
                             "时间\u3000",  "\u00a0x\u00a0", "\U0001F600",  "\x7f", "#[s]",      ""};
        texts << QString::fromLatin1("n\0005\x01F", 6); // control characters and a NUL
        QMap<QString, QString> values{{"a b~/c", "x"}};
        for (int i = 0; i < texts.size(); ++i)
            values.insert(QString("s/k%1").arg(i), texts[i]);
        { // in the order Qt sorts them on Linux, which Windows' QSettings keeps as given
            QSettings theirs(dir.filePath("theirs.ini"), QSettings::IniFormat);
            for (auto value = values.cbegin(); value != values.cend(); ++value)
                theirs.setValue(value.key(), value.value());
        } // Windows' QSettings ends its lines with CR LF, which every reader takes alike.
        QCOMPARE(inifile::format(values), readAll(dir.filePath("theirs.ini")).replace("\r\n", "\n"));
        QCOMPARE(inifile::parse(inifile::format(values)).values, values);
    }

    // Beside the program only where a file can be made; else the user's folder (the roaming one on Windows),
    // which starts from the ntp.ini an administrator left beside the program: the runner's read-only folder.
    void settingsFolder()
    {
        QTemporaryDir program;
        const bool windows = QSysInfo::productType() == "windows";
        const QString user = QDir::fromNativeSeparators(qEnvironmentVariable(windows ? "APPDATA" : "XDG_CONFIG_HOME"));
        QVERIFY(settingsFolderFor(program.path(), false) == program.path() && !user.isEmpty());
        // Installed, even where it may write: the user's, from the preset, its certificates found from there.
        QVERIFY(writeAll(program.filePath("ntp.ini"), "[nts]\ntrustedCerts=ca.pem\n"));
        const QString own = settingsFolderFor(program.path(), true);
        QVERIFY2(own.startsWith(user + '/'), qPrintable(own));
        QCOMPARE(readAll(own + "/ntp.ini"),
                 "[nts]\ntrustedCerts=" + QFile::encodeName(program.filePath("ca.pem")) + "\n");
        QVERIFY(QFile::remove(own + "/ntp.ini") && settingsFolderFor(QDir::tempPath() + "/readonly", false) == own);
        QCOMPARE(readAll(own + "/ntp.ini"), QByteArray("preset\n"));
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
            "\n1\\serverList_0=192.168.0.132 1000 1000 0\n2\\serverList_1=ntp.aliyun.com 1000 1000 0\n"
            "3\\serverList_2=cn.pool.ntp.org 1000 1000 0\nsize=3\n";
        const QString seeded = defaults.join('|'), xy = "x 1 2 0|y 1 2 0";
        const QByteArray list = "[serverIplist]\n1\\serverList_0=x 1 2 0\n", variant = "@Variant(\\0\\0\\0\\t\\x7f)";
        // The file; the list shown, its entries joined by "|", with its selected entry; whether the defaults
        // were written into the file, which otherwise stays as it was. A damaged file is no first start.
        for (const auto &[text, entries, current, seededFile] :
             {std::tuple<QByteArray, QString, int, bool>{QByteArray(), seeded, 1, true}, // none: a first start
              {"[mainWindow]\nobjIp=127.0.0.1\n", seeded, 1, true},                      // no list
              {list + "2\\serverList_1=y 1 2 0\nsize=2147483647\n", xy, 0, false},
              {"[serverIplist]\n3\\serverList_2=z 1 2 0\n1\\serverList_0=x 1 2 0\nsize=5\n", "x 1 2 0||z 1 2 0", 0,
               false},
              {list + "size=-5\n", "x 1 2 0", 0, false},
              {list + "size=abc\n", "x 1 2 0", 0, false},
              {list + "Size=1\n", "x 1 2 0", 0, false},
              {"[serverIplist]\n1\\serverList_0=x 1 2 0 ; the lab's clock\nsize=1\n", "x 1 2 0", 0, false},
              {"[serverIplist]\n1\\serverList_7=x 1 2 0\nsize=1\n", "x 1 2 0", 0, false},
              {"[mainWindow]\nserverListCurrent=-1\n" + list + "2\\serverList_1=y 1 2 0\nsize=2\n", xy, 0, false},
              {"[mainWindow]\nobjIp=127.0.0.1\ntrayicon=" + variant + "\n[serverIplist]\n1\\serverList_0=" + variant
                   + "\n",
               "", -1, false},
              {QByteArray("[a]\nk=\0\n", 8) + list, "x 1 2 0", 0, false},        // a NUL byte: read on, kept
              {"[serverIplist\n1\\serverList_0=x 1 2 0\n", "x 1 2 0", 0, false}, // not quite INI: read, kept
              {"[serverIplist]\n2000000000\\serverList_1999999999=x 1 2 0\nsize=2000000000\n", "", -1, false},
              {"[serverIplisT]\n1\\serverList_0=x 1 2 0\nsize=1\n", "", -1, false}}) { // one bit flipped
            TestWindow t(text);
            QVERIFY2(entriesOf(t.ui()->comboBox_iplist).join('|') == entries
                         && t.ui()->comboBox_iplist->currentIndex() == current,
                     text);
            // A target the file names stays, with or without the first start's values.
            QVERIFY(t.ui()->lineEdit_objip->text()
                    == (text.contains("objIp") ? "127.0.0.1"
                        : seededFile           ? "255.255.255.255"
                                               : ""));
            QCOMPARE(readAll(t.iniPath), !seededFile ? text
                                                     : QByteArray(written).replace(
                                                         "255.255.255.255", t.ui()->lineEdit_objip->text().toLatin1()));
        }
    }

    // Kept aside at start, as it was, and the user told without a wait, while ntp.ini stays until a save;
    // a FIFO and a link to a device, which are never read at all, are moved aside.
    void unreadableFileKeptAside()
    {
        const QByteArray damaged = "[serverIplist\n1\\serverList_0=127.0.0.5 1 2 0\n";
        TestWindow t(damaged);
        const QString told = "ntp.ini无法完整读取，原文件已另存为" + QDir::toNativeSeparators(t.iniPath) + ".bad";
        const auto notices = [] {
            QStringList texts;
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible() && !box->isModal())
                    texts << box->text();
            return texts;
        };
        QTRY_COMPARE(notices().count(told), 1);
        QVERIFY(readAll(t.iniPath + ".bad") == damaged && readAll(t.iniPath) == damaged);
        QVERIFY(t.saveSettings() && readAll(t.iniPath).contains("127.0.0.5") && readAll(t.iniPath + ".bad") == damaged);
#ifndef Q_OS_WIN // no FIFOs or device files there
        QVERIFY(QFile::remove(t.iniPath) && ::mkfifo(QFile::encodeName(t.iniPath), 0600) == 0);
        MainWindow fifo;
        QVERIFY(fifo.close() && QFileInfo(t.iniPath + ".bad").exists() && !QFileInfo(t.iniPath + ".bad").isFile());
        QVERIFY(QFile::remove(t.iniPath) && QFile::link("/dev/zero", t.iniPath));
        MainWindow zeros;
        QVERIFY(zeros.findChild<QComboBox *>("comboBox_iplist")->count() == 0 && zeros.close()
                && QFileInfo(t.iniPath + ".bad").isSymLink());
#endif
        // Nor does a missing temporary folder matter: nothing goes through it.
        const QByteArray temporaryFolder = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/nonexistent");
        QVERIFY(writeAll(t.iniPath, iniText({"127.0.0.7 1 2 0"})));
        MainWindow withoutTemporaryFolder;
        QCOMPARE(entriesOf(withoutTemporaryFolder.findChild<QComboBox *>("comboBox_iplist")),
                 QStringList{"127.0.0.7 1 2 0"});
        QVERIFY(withoutTemporaryFolder.close());
        qputenv("TMPDIR", temporaryFolder);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
