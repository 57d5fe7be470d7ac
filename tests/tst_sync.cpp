// The sync cycle and the judging of replies, driven through the window's slots: a fake server on
// 127.0.0.1:123 takes the requests, the recording clock the times the window sets.
#include "helpers/support.h"

// Fields 8 hours ahead of UTC, early on 1 March of a leap year, and the UTC time they stand for.
static const QDateTime dispose(QDate(2024, 3, 1), QTime(5, 30, 0, 250));
static const QDateTime disposeUtc(QDate(2024, 2, 29), QTime(21, 30, 0, 250), Qt::UTC);

class TestSync : public QObject
{
    Q_OBJECT
private slots:
    void judgingAReply()
    {
        // The entries, the last one selected, a reply's offset in ms and whether the clock refuses; then
        // whether the clock is set, the sync line, whether it is not synchronised and the selected entry.
        const QString done = "同步时间成功！时延12ms 偏差%1ms", beyond = "超出同步时间限制，同步停止";
        const struct
        {
            QStringList entries;
            qint64 offset;
            bool refused, set;
            QString line;
            bool notSynced;
            QString after;
        } rows[] = {{{"127.0.0.1 1 60 0"}, 1000, false, true, done.arg(1000), false, "127.0.0.1 1 60 0"},
                    {{"127.0.0.1 1 60 0"}, -1000, false, true, done.arg(-1000), false, "127.0.0.1 1 60 0"},
                    {{"127.0.0.1 1 60 0"}, 1001, false, false, beyond, true, "127.0.0.1 1 60 3"},
                    {{"127.0.0.1 1 60 0"}, -1001, false, false, beyond, true, "127.0.0.1 1 60 3"},
                    {{"127.0.0.1 5000000 60 0"},
                     777600000,
                     false,
                     true,
                     done.arg(777600000),
                     false,
                     "127.0.0.1 5000000 60 0"}, // no 32-bit wrap
                    {{"127.0.0.2 30 60 0", "127.0.0.1 1 60 3"},
                     -400,
                     false,
                     true,
                     done.arg(-400),
                     false,
                     "127.0.0.1 1 60 1"}, // synchronised again
                    {{"127.0.0.2 30 60 0", "127.0.0.1 1 60 1"}, 1500, false, false, beyond, true, "127.0.0.1 1 60 3"},
                    {{"127.0.0.1 1 60 0"}, -3, true, true, "同步时间失败！时延12ms 偏差-3ms", true, "127.0.0.1 1 60 0"},
                    {{"127.0.0.1 1 60 3"},
                     -3,
                     true,
                     true,
                     "同步时间失败！时延12ms 偏差-3ms",
                     true,
                     "127.0.0.1 1 60 3"}}; // not set: still stopped
        for (const auto &row : rows) {
            TestWindow t(iniText(row.entries, row.entries.size() - 1));
            clockRequests.clear();
            clockFailure = row.refused ? "Operation not permitted" : "";
            t.notSynced() = !row.notSynced;
            t.replyReceived(NtpReply(row.offset, 12, dispose));
            QCOMPARE(clockRequests, row.set ? QList<QDateTime>{disposeUtc} : QList<QDateTime>{});
            QCOMPARE(t.ui()->label_syncinfo->text(), row.line);
            QCOMPARE(t.ui()->label_syncinfo->toolTip(), row.refused ? "无法设置系统时间：Operation not permitted" : "");
            QVERIFY(t.notSynced() == row.notSynced && t.syncTimer()->isActive() == (row.line != beyond));
            QCOMPARE(entriesOf(t.ui()->comboBox_iplist),
                     row.entries.mid(0, row.entries.size() - 1) + QStringList{row.after});
        }
        clockFailure.clear();
    }

    void requests()
    {
        FakeNtpServer server(123);
        // The ticks of the sync timer that send, tick 0 being the start.
        for (auto [period, sending] : {std::pair{"2", QList<int>{0, 3, 5, 7}}, {"0", {0, 1, 2, 3, 4, 5, 6, 7}}}) {
            TestWindow t(iniText({QString("127.0.0.1 100 %1 0").arg(period)}));
            t.syncTimer()->stop(); // the ticks below stand for it
            server.requests.clear();
            QList<int> sentAt;
            for (int tick = 0; tick <= 7; ++tick) {
                if (tick > 0)
                    t.DoSync();
                server.serve();
                while (sentAt.size() < server.requests.size())
                    sentAt.append(tick);
            }
            QCOMPARE(sentAt, sending);
        }
        // None without a server; a name that cannot be looked up stops the cycle.
        ModalBoxes boxes;
        server.requests.clear();
        TestWindow blank(iniText({""})), named(iniText({"x 100 0 0"})); // a short host is no placeholder
        server.serve();
        QCOMPARE(boxes.seen, QStringList{"|没有可用的服务器！"});
        QVERIFY(server.requests.isEmpty());
        const QString lookupFailed = "无法访问服务器域名，请检查域名是否有效后重试！";
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
        TestWindow again; // asked at the start and again 6 s later
        QVERIFY(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 2000));
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(QTest::qWaitFor([&] { return server.requests.size() == 2; }, 8000));
        QVERIFY(qAbs(QDateTime::currentMSecsSinceEpoch() - started - 6000) < 500);
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
            QVERIFY2(askedAt.size() >= 2 && qAbs(clock.elapsed() - askedAt[1] - 5000) < 700,
                     qPrintable(QString::number(clock.elapsed() - askedAt.value(1))));
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
        QCOMPARE(boxes.seen, QStringList{"|不能同步时间，请检查服务器参数！"});
        QCOMPARE(t.ui()->label_syncinfo->text(), QStringLiteral("同步错误，请检查服务器参数！"));
        QVERIFY(t.notSynced() == 1 && !t.syncTimer()->isActive() && button->isEnabled());
        // A reply ends the watch quietly, at the tick after the next.
        button->click();
        t.DoStatus();
        t.replyReceived(NtpReply(5, 1, dispose));
        t.DoStatus();
        QVERIFY(!t.statusTimer()->isActive() && button->isEnabled() && boxes.seen.size() == 1);
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
