// The sync record: what one row costs the GUI thread, and how long the window "同步记录" takes to open and
// to redraw, with two full files (sync-log.csv and sync-log.1.csv at 1 MiB each) and with a week of
// once-a-second points (604,800) in memory, more than two such files can hold; and, for comparison, how long
// reading such a week would take were the files not limited.
// Usage: bench_history [picture.png]   (the window with the week, if a path is given)
#include "app/applicationfont.h"
#include "benchsupport.h"
#include "history/historywindow.h"
#include "history/offsetplot.h"
#include "history/recentrows.h"
#include "history/synclogfile.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextStream>

#include <algorithm>
#include <cmath>

struct HistoryWindowProbe
{
    static SyncHistory &history(SyncHistoryWindow &w) { return w.history; }
    static void showRange(SyncHistoryWindow &w) { w.showRange(); }
    static OffsetPlot *plot(SyncHistoryWindow &w) { return w.plot; }
    static QComboBox *range(SyncHistoryWindow &w) { return w.range; }
    static void rowsChanged(SyncHistoryWindow &w) { w.rows->refresh(); }
};

namespace {

// An outcome as a sync a second leaves it: mostly sets, one request in fifty unanswered.
SyncReport report(int i)
{
    if (i % 50 == 49)
        return {SyncOutcome::NoAnswer, QStringLiteral("ntp.example.cn"), QObject::tr("同步错误，请检查服务器参数！")};
    SyncReport set{SyncOutcome::Synced, QStringLiteral("ntp.example.cn"),
                   QObject::tr("同步时间成功！时延%1ms 偏差%2ms").arg(3).arg(-1)};
    set.delayNs = 3000000 + (i % 7) * 123457;
    set.offsetNs = qint64(2e6 * std::sin(i / 3000.0)) - 400000;
    set.clockSet = true;
    return set;
}

QString figures(QList<double> us)
{
    std::sort(us.begin(), us.end());
    return QStringLiteral("median %1 us, 99th %2 us, 99.9th %3 us, max %4 us")
        .arg(us[us.size() / 2], 0, 'f', 1)
        .arg(us[us.size() * 99 / 100], 0, 'f', 1)
        .arg(us[us.size() * 999 / 1000], 0, 'f', 1)
        .arg(us.last(), 0, 'f', 1);
}

// Each row through the window's own recording, rotations included.
void rowCost(QTextStream &out)
{
    TestWindow t;
    QList<double> us;
    QElapsedTimer timer;
    for (int i = 0; i < 30000; ++i) {
        timer.start();
        t.recordSync(report(i));
        us.append(timer.nsecsElapsed() / 1000.0);
    }
    out << "one row written (30000 rows, two rotations): " << figures(us) << "\n";
}

// Draws the window now, as a repaint would.
double drawMs(QWidget &window)
{
    QElapsedTimer timer;
    timer.start();
    window.grab();
    return timer.nsecsElapsed() / 1e6;
}

void twoFullFiles(QTextStream &out, const QString &folder)
{
    int rows = 0;
    while (QFileInfo(synclogfile::currentPath(folder)).size() < synclogfile::maxBytes - 200
           || !QFile::exists(synclogfile::previousPath(folder))) {
        SyncLogRow row = synclog::stamped(report(rows));
        row.timeMs -= (400000 - rows) * 1000LL;
        synclogfile::append(folder, synclog::csvLine(row));
        ++rows;
    }
    SyncHistoryWindow window(folder, nullptr);
    QElapsedTimer timer;
    timer.start();
    window.open();
    const double readMs = timer.nsecsElapsed() / 1e6;
    const double firstMs = drawMs(window);
    out << "open with two full files (" << HistoryWindowProbe::history(window).points().size() << " rows): read "
        << readMs << " ms, first draw " << firstMs << " ms, redraw " << drawMs(window) << " ms\n";
}

// Were the files not limited to 1 MiB: a week of rows in them, read as the window opens.
void weekInFiles(QTextStream &out, const QString &folder)
{
    QByteArray rows = "\xEF\xBB\xBF" + synclog::headerLine();
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 7 * 24 * 3600 * 1000LL;
    for (int i = 0; i < 7 * 24 * 3600; ++i) {
        SyncLogRow row = synclog::stamped(report(i));
        row.timeMs = start + i * 1000LL;
        rows += synclog::csvLine(row);
    }
    writeAll(synclogfile::currentPath(folder), rows);
    QFile::remove(synclogfile::previousPath(folder));
    SyncHistoryWindow window(folder, nullptr);
    QElapsedTimer timer;
    timer.start();
    window.open();
    const double readMs = timer.nsecsElapsed() / 1e6;
    out << "a week in one file beyond the limit (" << rows.size() / 1048576 << " MiB): read " << readMs
        << " ms, first draw " << drawMs(window) << " ms\n";
}

void weekInMemory(QTextStream &out, const QString &picture)
{
    SyncHistoryWindow window(QStringLiteral("/nonexistent"), nullptr);
    window.open();
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 7 * 24 * 3600 * 1000LL;
    for (int i = 0; i < 7 * 24 * 3600; ++i) {
        SyncLogRow row = synclog::stamped(report(i));
        row.timeMs = start + i * 1000LL;
        HistoryWindowProbe::history(window).add(row);
    }
    HistoryWindowProbe::rowsChanged(window);
    out << "a week in memory (" << HistoryWindowProbe::history(window).points().size() << " points)\n";
    for (int range = 0; range < 4; ++range) {
        HistoryWindowProbe::plot(window)->pointsChanged(); // as a new row does
        QElapsedTimer timer;
        timer.start();
        HistoryWindowProbe::range(window)->setCurrentIndex(range); // the figures: counts, median, largest
        HistoryWindowProbe::showRange(window);
        const double figuresMs = timer.nsecsElapsed() / 1e6;
        const double firstMs = drawMs(window);
        out << "  " << HistoryWindowProbe::range(window)->currentText() << ": figures " << figuresMs
            << " ms, first draw " << firstMs << " ms, redraw " << drawMs(window) << " ms\n";
    }
    HistoryWindowProbe::range(window)->setCurrentIndex(2);
    if (!picture.isEmpty())
        window.grab().save(picture);
}

} // namespace

int main(int argc, char *argv[])
{
    runInsideLoopbackNamespace(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useEmbeddedFont();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QTextStream out(stdout);
    rowCost(out);
    QTemporaryDir folder;
    twoFullFiles(out, folder.path());
    weekInFiles(out, folder.path());
    weekInMemory(out, argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    return 0;
}
