// What the large clock costs and how closely it follows the second.
//
// 1. The test build of the program, a copy beside a loopback-only ntp.ini, runs under Xvfb for
//    30 s after start-up: CPU seconds (from /proc/<pid>/stat) and peak RSS (VmHWM).
// 2. In this process, on the offscreen platform, the same window with its once-a-second clock
//    and then with a 1 ms polling timer doing the same rendering: CPU per 30 s while idle, and
//    the lag between each second's turn and the change of the time label, seen by polling the
//    label every 0.2 ms.
// Everything runs inside tests/netns-run.sh (loopback only). Prints figures, asserts nothing.
// Usage: bench_clock [seconds per measurement, default 30]
#include "benchsupport.h"
#include "desktop/clockface.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double secondsOfTicks(qint64 ticks)
{
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// utime + stime of a process, in clock ticks.
qint64 cpuTicksOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
}

qint64 peakRssKbOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

double cpuSecondsOfSelf()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 wallMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void benchProgramRun(int seconds)
{
    QProcess xvfb;
    const QString display = startXvfb(xvfb);
    if (display.isEmpty()) {
        std::printf("program run: Xvfb did not start\n");
        return;
    }
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("chronvale"));
    if (!QFile::copy(QStringLiteral(CHRONVALE_TESTBUILD), copy) || !writeAll(folder.filePath("ntp.ini"), iniText())) {
        std::printf("program run: could not prepare the program folder\n");
        return;
    }
    // No box closer: its 10 ms poll would be measured as the program's own cost.
    auto *program = new QProcess;
    program->start(QStringLiteral("env"),
                   {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display, "TMPDIR=" + folder.path(), copy});
    if (!program->waitForStarted(5000)) {
        std::printf("program run: the program did not start\n");
        return;
    }
    const qint64 pid = program->processId();
    const int startUpMs = 3000;
    serveEventsFor(startUpMs);
    const qint64 atStart = cpuTicksOf(pid);
    serveEventsFor(seconds * 1000);
    const qint64 atEnd = cpuTicksOf(pid);
    const qint64 peakKb = peakRssKbOf(pid);
    std::printf("program run under Xvfb (chronvale_testbuild, loopback ntp.ini):\n"
                "  start-up (first %d ms): %.2f s CPU\n"
                "  next %d s: %.2f s CPU (%.3f %% of a core)\n"
                "  peak RSS (VmHWM): %lld kB\n",
                startUpMs, secondsOfTicks(atStart), seconds, secondsOfTicks(atEnd - atStart),
                100.0 * secondsOfTicks(atEnd - atStart) / seconds, peakKb);
    stopProcess(*program);
    delete program;
    stopProcess(xvfb);
}

struct LagFigures
{
    double medianMs = 0;
    double maxMs = 0;
    int changes = 0;
};

// Polls the label every 0.2 ms between event processing and notes how far past the second's
// turn each change is seen.
LagFigures observeLag(const QLabel *label, int seconds)
{
    std::vector<double> lags;
    QString shown = label->text();
    const qint64 end = wallMicroseconds() + qint64(seconds) * 1000000;
    while (wallMicroseconds() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (label->text() != shown) {
            lags.push_back(double(wallMicroseconds() % 1000000) / 1000.0);
            shown = label->text();
        }
        usleep(200);
    }
    LagFigures figures;
    figures.changes = int(lags.size());
    if (lags.empty())
        return figures;
    std::sort(lags.begin(), lags.end());
    figures.medianMs = lags[lags.size() / 2];
    figures.maxMs = lags.back();
    return figures;
}

void report(const char *name, double cpu, int seconds, const LagFigures &lag)
{
    std::printf("  %s: %.3f s CPU in %d s idle (%.3f %% of a core); lag after the turn: median %.3f ms, "
                "max %.3f ms over %d changes\n",
                name, cpu, seconds, 100.0 * cpu / seconds, lag.medianMs, lag.maxMs, lag.changes);
}

void benchInProcess(int seconds)
{
    TestWindow probe;
    probe.w.show();
    serveEventsFor(2000);
    std::printf("in-process window (offscreen):\n");

    double before = cpuSecondsOfSelf();
    serveEventsFor(seconds * 1000);
    const double clockCpu = cpuSecondsOfSelf() - before;
    report("once-a-second clock", clockCpu, seconds, observeLag(probe.ui()->label_hhmmss, seconds));

    // The same rendering driven by a 1 ms repeating timer, as a polling clock would do it, into a
    // label of its own beside the window's.
    QLabel polled;
    QTimer polling;
    QObject::connect(&polling, &QTimer::timeout, [&polled] {
        const QDateTime now = QDateTime::currentDateTime();
        polled.setText(clockTimeText(now));
    });
    polling.start(1);
    serveEventsFor(1000);
    before = cpuSecondsOfSelf();
    serveEventsFor(seconds * 1000);
    const double pollingCpu = cpuSecondsOfSelf() - before;
    report("1 ms polling clock  ", pollingCpu, seconds, observeLag(&polled, seconds));
}

} // namespace

int main(int argc, char *argv[])
{
    runInsideLoopbackNamespace(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false;default.debug=false");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 30;
    benchProgramRun(seconds);
    benchInProcess(seconds);
    return 0;
}
