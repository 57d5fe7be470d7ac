// How close to the server's time the program sets the clock. A real chronyd on 127.0.0.1:123 runs
// exactly 37 s ahead under libfaketime; the recording clock notes each offset the clock is to be moved by,
// to the nanosecond, and the set error is that offset minus 37 s.
// 1. Start-up: the test build of the program, a copy beside a loopback-only ntp.ini, started N times
//    under Xvfb: the first time each start asks for, the one whose reply waits while the window shows.
//    Once more with the program itself and the set-time helper, which notes the time it would set.
// 2. Busy: in this process, N syncs on "立即同步时间" while the GUI thread stalls for 50 ms right after
//    each request, so that the reply waits in the socket.
// Everything runs inside tests/netns-run.sh (loopback only). Prints figures, asserts nothing.
// Usage: bench_sync_accuracy [syncs per measurement, default 100]
#include "benchsupport.h"
#include "fixtures/chronyd.h"

#include <QApplication>
#include <QThread>

#include <algorithm>

namespace {

constexpr qint64 kAheadMs = 37000;

void report(const char *what, QList<qint64> errorsNs)
{
    if (errorsNs.isEmpty()) {
        std::printf("%s: no sync\n", what);
        return;
    }
    std::sort(errorsNs.begin(), errorsNs.end(), [](qint64 a, qint64 b) { return std::abs(a) < std::abs(b); });
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    const auto within =
        std::count_if(errorsNs.begin(), errorsNs.end(), [](qint64 ns) { return std::abs(ns) <= 500000; });
    std::printf("%s: %d syncs, set error |median| %.3f ms, worst %+.3f ms, %d within 0.5 ms; all:", what,
                int(errorsNs.size()), ms(std::abs(errorsNs[errorsNs.size() / 2])), ms(errorsNs.last()), int(within));
    for (qint64 error : errorsNs)
        std::printf(" %+.3f", ms(error));
    std::printf("\n");
}

// helper: the program itself, which has no right to set the clock here, with the set-time helper
// beside it; else the test build with the recording clock.
QList<qint64> startUpErrors(int starts, const QString &helper = {})
{
    QProcess xvfb;
    const QString display = startXvfb(xvfb);
    QList<qint64> errors;
    for (int i = 0; i < starts && !display.isEmpty(); ++i) {
        QTemporaryDir folder;
        writeAll(folder.filePath("ntp.ini"), iniText({"127.0.0.1 100000 1000 0"}));
        QFile::copy(helper.isEmpty() ? CHRONVALE_TESTBUILD : CHRONVALE_PROGRAM, folder.filePath("chronvale"));
        if (!helper.isEmpty())
            QFile::copy(helper, folder.filePath("chronvale-settime"));
        const QString record = folder.filePath("clock.log");
        QProcess program;
        program.start("env", {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "TMPDIR=" + folder.path(),
                              "CHRONVALE_AUTOCLOSE_BOXES=1", "CHRONVALE_RECORD_CLOCK=" + record,
                              folder.filePath("chronvale")});
        (void)QTest::qWaitFor([&] { return !clockSetErrorsNs(record, kAheadMs).isEmpty(); }, 10000);
        errors += clockSetErrorsNs(record, kAheadMs).mid(0, 1);
        stopProcess(program);
    }
    stopProcess(xvfb);
    return errors;
}

QList<qint64> busyErrors(int syncs)
{
    TestWindow window(iniText({"127.0.0.1 100000 1000 0"}));
    serveEventsFor(7000); // past the second sync of the start
    QList<qint64> errors;
    for (int i = 0; i < syncs; ++i) {
        const int count = clockMovesNs.size();
        QMetaObject::invokeMethod(&window.w, "syncStart");
        QThread::msleep(50);
        if (QTest::qWaitFor([&] { return clockMovesNs.size() > count; }, 5000))
            errors.append(clockMovesNs[count] - kAheadMs * 1000000);
        serveEventsFor(100);
    }
    return errors;
}

} // namespace

int main(int argc, char *argv[])
{
    runInsideLoopbackNamespace(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int syncs = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QTemporaryDir dir;
    QProcess chronyd;
    if (!startChronyd(chronyd, dir, "+37s")) {
        std::printf("chronyd did not answer: %s\n", chronyd.readAll().constData());
        return 1;
    }
    report("start-up under Xvfb", startUpErrors(syncs));
    if (const QString helper = CHRONVALE_SETTIME_RECORDING; !helper.isEmpty())
        report("start-up under Xvfb, through the set-time helper", startUpErrors(syncs, helper));
    report("busy, 50 ms stall after each request", busyErrors(syncs));
    stopProcess(chronyd);
    return 0;
}
