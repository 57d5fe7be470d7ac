// The sync record: the rows of sync-log.csv as the program writes them, read back by Python's csv module;
// its rotation and its failures; the system's log, which hears of changes only; the window 同步记录.
#include "fixtures/chronyd.h"
#include "fixtures/syslogsocket.h"
#include "helpers/support.h"
#include "history/historywindow.h"
#include "history/offsetplot.h"
#include "history/recentrows.h"
#include "history/synclogfile.h"

#include <QJsonArray>
#include <QJsonDocument>

struct HistoryWindowProbe
{
    static OffsetPlot *plot(SyncHistoryWindow &w) { return w.plot; }
    static QComboBox *range(SyncHistoryWindow &w) { return w.range; }
    static RecentRows *rows(SyncHistoryWindow &w) { return w.rows; }
    // The figures of the chosen range, as numbers.
    static QList<double> figures(SyncHistoryWindow &w)
    {
        QList<double> numbers;
        for (auto found = QRegularExpression("-?\\d+(\\.\\d+)?").globalMatch(w.figures->text().section('\n', 1));
             found.hasNext();)
            numbers.append(found.next().captured().toDouble());
        return numbers;
    }
};

// The rows of a record as Python's csv module reads them.
static QList<QStringList> csvRows(const QString &path)
{
    QProcess python;
    python.start("python3", {"-c",
                             "import csv, json, sys\n"
                             "print(json.dumps(list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))))",
                             path});
    python.waitForFinished(30000);
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        rows.append(row.toVariant().toStringList());
    return rows;
}

static QList<QStringList> rowsOf(const QList<QStringList> &rows, const QString &outcome)
{
    QList<QStringList> found;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(found), [&](auto &row) { return row[2] == outcome; });
    return found;
}

// One periodic request of the window, and the clock moved by its reply.
static bool syncOnce(TestWindow &t)
{
    const int moves = clockMovesNs.size();
    t.DoSync();
    return QTest::qWaitFor([&] { return clockMovesNs.size() > moves; }, 10000);
}

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(syslog.listen(qEnvironmentVariable("TMPDIR") + "/hostdev")); }

    // The program as built, against chronyd (37 s ahead) and then a server that refuses: each outcome a row,
    // in local time with its offset from UTC, the measured figures in ms; the system's log hears of the set
    // and of the refusal, once each, however often they come.
    void recordOfTheProgram()
    {
        QTemporaryDir dir, folder;
        QProcess chronyd, program;
        QVERIFY(startChronyd(chronyd, dir, "+37s"));
        writeAll(folder.filePath("ntp.ini"), iniText({"127.0.0.1 100 0 0"}));
        startCopy(program, folder);
        const QString record = folder.filePath("sync-log.csv");
        QVERIFY(QTest::qWaitFor([&] { return readAll(record).count(",synced,") >= 3; }, 30000));
        stop(chronyd);
        FakeNtpServer refusing(123);
        refusing.tamper = [](QByteArray &packet) { packet.replace(12, 4, "DENY")[1] = 0; };
        QVERIFY(QTest::qWaitFor([&] { return readAll(record).count(",kiss-of-death,") >= 3; }, 30000));
        const qint64 pid = program.processId();
        program.terminate();
        QVERIFY(program.waitForFinished(30000));

        const QByteArray bytes = readAll(record);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF") && bytes.count('\n') == bytes.count("\r\n"));
        const QList<QStringList> rows = csvRows(record);
        QVERIFY(rows.size() > 7 && std::all_of(rows.begin(), rows.end(), [](auto &row) { return row.size() == 8; }));
        QVERIFY(rows[1][2] == "started" && rows.last()[2] == "exited");
        for (const QStringList &row : rows.mid(1)) {
            const QDateTime time = QDateTime::fromString(row[0], Qt::ISODateWithMs);
            QVERIFY2(time.isValid() && time.offsetFromUtc() == -5 * 3600 && row[1] == "127.0.0.1", qPrintable(row[0]));
        }
        const QRegularExpression ms("^\\d+\\.\\d{3}$");
        for (const QStringList &row : rowsOf(rows, "synced"))
            QVERIFY2(qAbs(row[5].toDouble() - 37000) < 50 && ms.match(row[4]).hasMatch() && ms.match(row[5]).hasMatch()
                         && row[6] == "yes",
                     qPrintable(row.join('|')));
        for (const QStringList &row : rowsOf(rows, "kiss-of-death"))
            QVERIFY(row[3].contains("DENY") && row[4].isEmpty() && row[5].isEmpty() && row[6] == "no");

        const QList<QByteArray> told = toldBy(pid);
        QCOMPARE(told.size(), 2);
        const QRegularExpressionMatch offset = QRegularExpression("offset (\\d+\\.\\d{3}) ms").match(told[0]);
        QVERIFY2(told[0].startsWith("<13>") && qAbs(offset.captured(1).toDouble() - 37000) < 50, told[0]);
        QVERIFY2(told[1].startsWith("<12>"), told[1]);
    }

    // Driven through the window's slots: a minute of syncs a second, three sets the system refuses, more syncs,
    // a silent server noticed by the sync button's watch, then an offset beyond the limit: five lines in the
    // system's log.
    void systemLogHearsOfChangesOnly()
    {
        FakeNtpServer server(123);
        server.offsetMs = 250;
        TestWindow t(iniText({"127.0.0.1 1 0 0"}));
        ModalBoxes boxes;
        const auto syncs = [&](int count) {
            for (int i = 0; i < count; ++i)
                QVERIFY(syncOnce(t));
        };
        syncs(60);
        clockFailure = "denied";
        syncs(3);
        clockFailure.clear();
        syncs(20);
        server.tamper = [](QByteArray &packet) { packet.clear(); };
        t.ui()->pushButton_sync->click();
        t.statusTimer()->stop(); // the ticks below stand for it
        for (int tick = 0; tick < 5; ++tick)
            t.DoStatus();
        server.tamper = nullptr;
        server.offsetMs = 5000;
        t.DoSync();
        QTRY_COMPARE_WITH_TIMEOUT(toldBy(QCoreApplication::applicationPid()).size(), 5, 10000);
        QList<QByteArray> priorities;
        for (const QByteArray &message : toldBy(QCoreApplication::applicationPid()))
            priorities.append(message.left(4));
        QCOMPARE(priorities, (QList<QByteArray>{"<13>", "<12>", "<13>", "<12>", "<11>"}));
        const QList<QStringList> rows = csvRows(t.dir.filePath("sync-log.csv"));
        QVERIFY(rowsOf(rows, "synced").size() >= 80 && rowsOf(rows, "set-failed").value(2).value(6) == "no");
        const QStringList silent = rowsOf(rows, "no-answer").value(0), beyond = rowsOf(rows, "beyond-limit").value(0);
        QVERIFY(silent.size() == 8 && silent[4].isEmpty() && silent[5].isEmpty() && silent[6] == "no");
        QVERIFY(beyond.size() == 8 && qAbs(beyond[5].toDouble() - 5000) < 50 && beyond[6] == "no");
    }

    // At 1 MiB the file becomes sync-log.1.csv, replacing the older one; a row is written whole or not at all,
    // and a field with commas, quotes and line breaks comes back as it was.
    void rotationAndWholeRows()
    {
        QTemporaryDir dir;
        const QString folder = dir.path(), current = synclogfile::currentPath(folder);
        const QString awkward = "a \"b\", c\r\nd";
        const QByteArray row =
            synclog::csvLine(synclog::stamped({SyncOutcome::SendFailed, "127.0.0.1", "a,b", awkward}));
        QVERIFY(synclogfile::append(folder, row));
        const QByteArray fresh = readAll(current);
        const QStringList back = csvRows(current).value(1);
        QVERIFY(back.value(3) == "a,b" && back.value(7) == awkward);
        const QByteArray full = fresh + QByteArray(int(synclogfile::maxBytes - fresh.size() - row.size()), 'x');
        QVERIFY(writeAll(current, full) && writeAll(synclogfile::previousPath(folder), "older"));
        QVERIFY(synclogfile::append(folder, row) && QFileInfo(current).size() == synclogfile::maxBytes);
        QVERIFY(synclogfile::append(folder, row));
        QVERIFY(readAll(synclogfile::previousPath(folder)) == full + row && readAll(current) == fresh);

        QVERIFY(QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=4k", "tmpfs", folder}) == 0);
        QVERIFY(writeAll(current, QByteArray(4096 - row.size() / 2, 'x')));
        QVERIFY(!synclogfile::append(folder, row) && QFileInfo(current).size() == 4096 - row.size() / 2);
        QProcess::execute("umount", {folder});
    }

    // In a read-only folder the program syncs on; the status line tells once, and rows are tried again. The
    // window opens from the menu and the tray, follows the outcomes, and closes without ending the program.
    void readOnlyFolderKeepsSyncing()
    {
        FakeNtpServer server(123);
        TestWindow t(iniText({"127.0.0.1 1000 0 0"}));
        QVERIFY(syncOnce(t));
        t.ui()->action_history->trigger();
        auto *window = t.w.findChild<SyncHistoryWindow *>();
        QVERIFY(window && window->isVisible()
                && t.trayIcon()->contextMenu()->actions().contains(t.ui()->action_history));
        const QString record = t.dir.filePath("sync-log.csv");
        const QByteArray before = readAll(record);
        QVERIFY(QProcess::execute("mount", {"--bind", "-o", "ro", t.dir.path(), t.dir.path()}) == 0);
        QVERIFY(syncOnce(t) && t.statusLabel()->text().contains(QDir::toNativeSeparators(record)));
        t.statusLabel()->setText("x");
        QVERIFY(syncOnce(t) && syncOnce(t) && t.statusLabel()->text() == "x" && readAll(record) == before);
        QProcess::execute("umount", {t.dir.path()});
        const int shown = HistoryWindowProbe::rows(*window)->rowCount();
        QVERIFY(syncOnce(t) && readAll(record).startsWith(before) && readAll(record).size() > before.size());
        QVERIFY(HistoryWindowProbe::rows(*window)->rowCount() > shown);
        QTimer::singleShot(0, window, &QWidget::close); // the main window is hidden here
        QTimer::singleShot(2000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(qApp->exec(), 99);
    }

    // Sets 50, 40 and 20 minutes ago (10, 20 and -30 ms) and a failure 30 minutes ago: the points lie in
    // proportion to their times and offsets, the failure's mark between the last two, the figures agree.
    void plotAndFigures()
    {
        QTemporaryDir dir;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const auto add = [&](int minutesAgo, SyncOutcome outcome, double offsetMs,
                             SyncHistoryWindow *window = nullptr) {
            SyncLogRow row = synclog::stamped({outcome, "127.0.0.1", "-"});
            row.timeMs = now - minutesAgo * 60000;
            if (outcome == SyncOutcome::Synced) {
                row.report.offsetNs = qint64(offsetMs * 1e6);
                row.report.delayNs = 1000000;
            }
            window ? window->follow(row) : void(synclogfile::append(dir.path(), synclog::csvLine(row)));
        };
        add(50, SyncOutcome::Synced, 10);
        add(40, SyncOutcome::Synced, 20);
        add(30, SyncOutcome::NoAnswer, 0);
        add(20, SyncOutcome::Synced, -30);
        SyncHistoryWindow window(dir.path(), nullptr);
        window.open();
        HistoryWindowProbe::range(window)->setCurrentIndex(0); // the last hour
        const QImage image = HistoryWindowProbe::plot(window)->grab().toImage();
        QList<QPointF> sets, failures; // the centres of the runs of columns in each colour, left to right
        for (int x = 0; x < image.width(); ++x)
            for (const auto &[color, found] :
                 {std::pair{OffsetPlot::offsetColor(), &sets}, {OffsetPlot::failureColor(), &failures}}) {
                QList<int> ys;
                for (int y = 0; y < image.height(); ++y)
                    if (image.pixelColor(x, y) == color)
                        ys.append(y);
                if (ys.isEmpty())
                    continue;
                const QPointF centre(x, std::accumulate(ys.begin(), ys.end(), 0.0) / ys.size());
                if (found->isEmpty() || x - found->last().x() > 3)
                    found->append(centre);
                else
                    found->last() = (found->last() + centre) / 2;
            }
        QCOMPARE(sets.size(), 3);
        QCOMPARE(failures.size(), 1);
        QVERIFY(qAbs((sets[1].x() - sets[0].x()) * 2 - (sets[2].x() - sets[1].x())) <= 3);
        QVERIFY(qAbs(failures[0].x() - (sets[1].x() + sets[2].x()) / 2) <= 3);
        QVERIFY(sets[1].y() < sets[0].y() && qAbs((sets[0].y() - sets[1].y()) * 5 - (sets[2].y() - sets[1].y())) <= 5);
        QCOMPARE(HistoryWindowProbe::figures(window), (QList<double>{3, 1, 10, -30}));
        add(0, SyncOutcome::Synced, 40, &window); // followed while open, newest first in the table
        QCOMPARE(HistoryWindowProbe::figures(window), (QList<double>{4, 1, 15, 40}));
        QCOMPARE(HistoryWindowProbe::rows(window)->index(0, 4).data().toString(), QString("40.000"));
    }

private:
    // What the system's log was told by the process pid.
    QList<QByteArray> toldBy(qint64 pid)
    {
        QList<QByteArray> told;
        for (const QByteArray &message : syslog.messages())
            if (message.contains("chronvale[" + QByteArray::number(pid) + "]: "))
                told.append(message);
        return told;
    }

    SyslogSocket syslog;
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
