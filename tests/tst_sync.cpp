// The sync cycle and the judging of replies, driven through the window's slots: a fake server on
// 127.0.0.1:123 takes the requests, the recording clock the times the window sets.
#include "fixtures/fakeresolver.h"
#include "helpers/support.h"

#ifdef Q_OS_LINUX // the only system where another time service is looked for
#include <QDBusConnection>
#endif

// A reply's fields 8 hours ahead of UTC, which the clock no longer goes by: it is moved by the offset.
static const QDateTime dispose(QDate(2024, 3, 1), QTime(5, 30, 0, 250));

// The system's time settings, as a stand-in on a bus of the test's own that every window here asks.
class TimeSettings : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTP MEMBER ntp)
public:
    bool ntp = false;
};

class TestSync : public QObject
{
    Q_OBJECT
private slots:
    void cleanupTestCase() { stop(bus); }
    void initTestCase()
    {
#ifdef Q_OS_LINUX
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(bus.readLine().trimmed());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        QDBusConnection standIn = QDBusConnection::connectToBus(address, "stand-in");
        QVERIFY(standIn.registerService("org.freedesktop.timedate1")
                && standIn.registerObject("/org/freedesktop/timedate1", &timeSettings,
                                          QDBusConnection::ExportAllProperties));
#endif
    }

    // Another time service is told once in the status line, and stays under every tooltip of the sync
    // line: time synchronisation the system's time settings report on, or a process of such a service.
    void anotherTimeServiceIsTold()
    {
        if (QSysInfo::kernelType() != "linux")
            QSKIP("looked for on Linux only");
        timeSettings.ntp = true;
        {
            TestWindow t;
            QTRY_VERIFY(t.statusLabel()->text().contains("systemd-timedated"));
            t.replyReceived(NtpReply(5, 1, dispose));
            QVERIFY(t.ui()->label_syncinfo->toolTip().contains("systemd-timedated"));
            t.ntsFailed("NTS NAK");
            QVERIFY(t.ui()->label_syncinfo->toolTip().contains(QRegularExpression("^NTS NAK\n.*systemd-timedated")));
        }
        timeSettings.ntp = false;
        QTemporaryDir dir;
        QProcess standIn;
        QVERIFY(QFile::copy("/bin/sleep", dir.filePath("chronyd")));
        standIn.start(dir.filePath("chronyd"), {"60"});
        QVERIFY(standIn.waitForStarted());
        TestWindow t;
        QTRY_VERIFY(t.statusLabel()->text().contains("chronyd"));
        stop(standIn);
    }

    // After a sleep a request goes out at the next tick, whatever the period; while it cannot leave, it
    // is tried again at each tick and counts once as unanswered; a lookup under way is let finish. The
    // ticks and the time asleep are the test's, after the start's two requests.
    void syncAfterWakingUp()
    {
        FakeNtpServer server(123);
        // Slower than the ticks; under Wine, where a lookup slower than a second comes to nothing, a little faster.
        FakeResolver resolver(QSysInfo::productType() == "windows" ? 500 : 3000);
        TestWindow t(iniText({"127.0.0.1 100 1000 0", "192.0.2.1 100 1000 0", "slow.example 100 0 0"}));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.size() == 2, 15000);
        t.syncTimer()->stop();
        qint64 slept = 0;
        t.timeAsleep() = [&] { return slept; };
        const auto tick = [&](qint64 asleep) {
            return slept += asleep, t.DoSync(), server.serve(), server.requests.size() - 2;
        };
        // Just short of the threshold is the clocks' rounding; at it, a sleep: asked at once, and once.
        QVERIFY(tick(0) == 0 && tick(1999) == 0 && tick(2000) == 1 && tick(0) == 1);
        t.ui()->comboBox_iplist->setCurrentIndex(1); // no route here but loopback
        for (qint64 asleep : {3600000, 0, 0})
            tick(asleep);
        QTest::qWait(6000);
        QCOMPARE(t.notSynced(), 0);
        t.ui()->comboBox_iplist->setCurrentIndex(0); // the network is back
        QCOMPARE(tick(0), 2);
        t.ui()->comboBox_iplist->setCurrentIndex(2); // asked every tick too
        tick(3600000);
        QTest::qWait(1000);
        tick(0);
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.size() == 5, 10000);
        QCOMPARE(resolver.queries, 1);
        // A sleep while the cycle was stopped: its start asks once, and the tick after it no more.
        t.ui()->comboBox_iplist->setCurrentIndex(0);
        t.stopSync();
        slept += 3600000;
        QMetaObject::invokeMethod(&t.w, "syncStart");
        t.syncTimer()->stop();
        QCOMPARE(tick(0), 4);
    }

    void judgingAReply()
    {
        // The entries, the last one selected, a reply's offset in ms and whether the clock refuses; then the
        // sync line and the selected entry. Beyond the limit the clock is left alone and the cycle stops; refused
        // or beyond, the time is not synchronised.
        const QString done = "同步时间成功！时延12ms 偏差%1ms", beyond = "超出同步时间限制，同步停止",
                      failed = "同步时间失败！时延12ms 偏差-3ms";
        for (const auto &[entries, offset, refused, line, after] :
             {std::tuple<QStringList, qint64, bool, QString, QString>{
                  {"127.0.0.1 1 60 0"}, 1000, false, done.arg(1000), "127.0.0.1 1 60 0"},
              {{"127.0.0.1 1 60 0"}, -1000, false, done.arg(-1000), "127.0.0.1 1 60 0"},
              {{"127.0.0.1 1 60 0"}, 1001, false, beyond, "127.0.0.1 1 60 3"},
              {{"127.0.0.1 1 60 0"}, -1001, false, beyond, "127.0.0.1 1 60 3"},
              // No 32-bit wrap; synchronised again; stopped again.
              {{"127.0.0.1 5000000 60 0"}, 777600000, false, done.arg(777600000), "127.0.0.1 5000000 60 0"},
              {{"127.0.0.2 30 60 0", "127.0.0.1 1 60 3"}, -400, false, done.arg(-400), "127.0.0.1 1 60 1"},
              {{"127.0.0.2 30 60 0", "127.0.0.1 1 60 1"}, 1500, false, beyond, "127.0.0.1 1 60 3"},
              // Refused: a stopped entry stays stopped.
              {{"127.0.0.1 1 60 0"}, -3, true, failed, "127.0.0.1 1 60 0"},
              {{"127.0.0.1 1 60 3"}, -3, true, failed, "127.0.0.1 1 60 3"}}) {
            TestWindow t(iniText(entries, entries.size() - 1));
            clockFailure = "stale"; // the reason of an earlier line, which must not outlive it
            t.replyReceived(NtpReply(0, 12, dispose));
            clockMovesNs.clear();
            clockFailure = refused ? "Operation not permitted" : "";
            const bool set = line != beyond, notSynced = refused || !set;
            t.notSynced() = !notSynced;
            t.clockTimer()->stop();
            t.replyReceived(NtpReply(offset, 12, dispose));
            QCOMPARE(clockMovesNs, set ? QList<qint64>{offset * 1000000} : QList<qint64>{});
            const QString tip = refused ? "无法设置系统时间：Operation not permitted"
                                : set   ? ""
                                      : QString("偏差%1ms，同步限制%2秒").arg(offset).arg(after.section(' ', 1, 1));
            QCOMPARE(t.ui()->label_syncinfo->text() + '|' + t.ui()->label_syncinfo->toolTip(), line + '|' + tip);
            // The display's next turn of the second is taken afresh from a clock that was set.
            QVERIFY(t.notSynced() == notSynced && t.syncTimer()->isActive() == set
                    && t.clockTimer()->isActive() == (set && !refused));
            QCOMPARE(entriesOf(t.ui()->comboBox_iplist), entries.mid(0, entries.size() - 1) + QStringList{after});
        }
        clockFailure.clear();
    }

    void requests()
    {
        FakeNtpServer server(123);
        // The requests sent by each tick of the sync timer, tick 0 being the start.
        for (auto [period, sent] :
             {std::pair{"2", QList<int>{1, 1, 1, 2, 2, 3, 3, 4}}, {"0", {1, 2, 3, 4, 5, 6, 7, 8}}}) {
            TestWindow t(iniText({QString("127.0.0.1 100 %1 0").arg(period)}));
            t.syncTimer()->stop(); // the ticks below stand for it
            server.requests.clear();
            QList<int> counts;
            for (int tick = 0; tick <= 7; ++tick) {
                if (tick > 0)
                    t.DoSync();
                server.serve();
                counts.append(server.requests.size());
            }
            QCOMPARE(counts, sent);
        }
        // None without a server; a name that cannot be looked up stops the cycle, and so does an entry too short
        // to name a host. A request this machine cannot send is not taken for a refusal.
        ModalBoxes boxes;
        server.requests.clear();
        TestWindow blank(iniText({""})), named(iniText({"x 100 0 0"})), bare(iniText({"x"})),
            unroutable(iniText({"192.0.2.1 100 0 0"})); // a short host is no placeholder; no route but loopback here
        server.serve();
        QVERIFY(boxes.seen == QStringList{"|没有可用的服务器！"} && server.requests.isEmpty());
        const QString lookupFailed = "无法访问服务器域名，请检查域名是否有效后重试！";
        QCOMPARE(bare.ui()->label_syncinfo->text(), lookupFailed);
        const int unreachable = QSysInfo::kernelType() == "linux" ? ENETUNREACH : 10051; // WSAENETUNREACH
        QVERIFY(unroutable.ui()->label_syncinfo->text() == "发送同步请求失败！"
                && unroutable.ui()->label_syncinfo->toolTip() == qt_error_string(unreachable));
        QTRY_VERIFY(named.ui()->label_syncinfo->text() == lookupFailed
                    && named.syncTimer()->isActive()); // the start's cycle runs on
        named.notSynced() = 0;
        named.DoSync();
        QTRY_VERIFY(named.notSynced() == 1 && !named.syncTimer()->isActive()); // a periodic request's ends
        // A server that says RATE: the sync line tells, and no request goes to it for now.
        server.tamper = [](QByteArray &packet) { packet.replace(12, 4, "RATE")[1] = 0; };
        TestWindow kissed;
        QTRY_COMPARE(kissed.ui()->label_syncinfo->text(), QStringLiteral("服务器拒绝同步：RATE"));
        kissed.ui()->pushButton_sync->click();
        server.serve();
        QVERIFY(server.requests.size() == 1 && kissed.ui()->label_syncinfo->text() == "服务器拒绝同步：RATE");
        server.requests.clear();
        server.tamper = nullptr;
        QList<qint64> askedAt; // at the start and again 6 s later; a busy machine only delays the second
        connect(&server.socket, &QUdpSocket::readyRead, this,
                [&] { askedAt.append(QDateTime::currentMSecsSinceEpoch()); });
        TestWindow again;
        QVERIFY(QTest::qWaitFor([&] { return server.requests.size() == 2; }, 15000));
        QVERIFY2(askedAt.size() == 2 && askedAt[1] - askedAt[0] > 5600 && askedAt[1] - askedAt[0] < 7500,
                 qPrintable(QString::number(askedAt.value(1) - askedAt.value(0))));
    }

    // A server that answers once and then falls silent (period 2 s): "A," until the second request in
    // a row has waited 5 s for its reply, "V," from then on, and "A," again with the next reply.
    void validityLastsWhileTheServerAnswers()
    {
        FakeNtpServer server(123);
        TestWindow t(iniText({"127.0.0.1 100 2 0"}));
        QTRY_COMPARE(t.notSynced(), 0);
        QElapsedTimer clock;
        QList<qint64> askedAt;
        connect(&server.socket, &QUdpSocket::readyRead, this, [&] { askedAt.append(clock.elapsed()); });
        for (int round = 0; round < 2; ++round) { // the second time, after a reply made it valid again
            server.tamper = [](QByteArray &packet) { packet.clear(); };
            askedAt.clear();
            clock.start();
            QTRY_VERIFY_WITH_TIMEOUT(t.notSynced() == 1, 15000);
            const qint64 waited = clock.elapsed() - askedAt.value(1); // 5 s, or later on a busy machine
            QVERIFY2(askedAt.size() >= 2 && waited > 4700 && waited < 6500, qPrintable(QString::number(waited)));
            server.tamper = nullptr;
            QMetaObject::invokeMethod(&t.w, "syncStart");
            QTRY_COMPARE(t.notSynced(), 0);
        }
    }

    void watchdog()
    {
        TestWindow t;
        ModalBoxes boxes;
        QPushButton *button = t.ui()->pushButton_sync;
        button->click();
        t.statusTimer()->stop(); // the ticks below stand for it
        for (int tick = 1; tick <= 4; ++tick)
            t.DoStatus();
        QVERIFY(boxes.seen.isEmpty() && !button->isEnabled() && t.syncTimer()->isActive());
        t.notSynced() = 0;
        t.DoStatus(); // the fifth tick without a reply
        QVERIFY(boxes.seen == QStringList{"|不能同步时间，请检查服务器参数！"} && t.notSynced() == 1
                && t.ui()->label_syncinfo->text() == "同步错误，请检查服务器参数！" && !t.syncTimer()->isActive()
                && button->isEnabled());
        // A reply ends the watch quietly, at the tick after the next.
        button->click();
        t.DoStatus();
        t.replyReceived(NtpReply(5, 1, dispose));
        t.DoStatus();
        QVERIFY(!t.statusTimer()->isActive() && button->isEnabled() && boxes.seen.size() == 1);
    }

private:
    QProcess bus;
    TimeSettings timeSettings;
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
