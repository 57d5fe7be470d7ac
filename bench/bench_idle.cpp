// What the program costs while it does nothing but show the time: its CPU time beside that of a bare Qt
// clock (two rich-text labels in the program's own font and sizes, set at each turn of the second), both on one
// Xvfb for the same seconds, read from /proc/<pid>/task/*/schedstat (nanoseconds on a CPU, every thread).
// The program is a copy of the real one beside a loopback-only ntp.ini, time output off, no sync cycle
// beyond its start. Runs inside tests/netns-run.sh. Prints figures, asserts nothing.
// Usage: bench_idle [seconds, default 60]
#include "app/applicationfont.h"
#include "benchsupport.h"
#include "desktop/clockface.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace {

qint64 cpuNsOf(qint64 pid)
{
    qint64 total = 0;
    for (const QString &task :
         QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

int bareClock(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useEmbeddedFont();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    QLabel time, date;
    layout->addWidget(&time);
    layout->addWidget(&date);
    QTimer tick;
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const QDateTime now = QDateTime::currentDateTime();
        time.setText(clockTimeText(now));
        date.setText(clockDateText(now));
        tick.start(msToNextSecond(now));
    });
    tick.start(0);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--bare-clock") == 0)
        return bareClock(argc, argv);
    runInsideLoopbackNamespace(argv);
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    QProcess xvfb;
    const QString display = startXvfb(xvfb);
    QTemporaryDir folder;
    writeAll(folder.filePath("ntp.ini"), iniText({"127.0.0.1 100 100000 0"}));
    QFile::copy(CHRONVALE_PROGRAM, folder.filePath("chronvale"));
    QProcess program, bare;
    const QStringList environment{"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "TMPDIR=" + folder.path()};
    program.start("env", environment + QStringList{folder.filePath("chronvale")});
    bare.start("env", environment + QStringList{QCoreApplication::applicationFilePath(), "--bare-clock"});
    serveEventsFor(10000); // past the start and its second sync
    const qint64 programBefore = cpuNsOf(program.processId()), bareBefore = cpuNsOf(bare.processId());
    serveEventsFor(seconds * 1000);
    const double programMs = double(cpuNsOf(program.processId()) - programBefore) / 1e6;
    const double bareMs = double(cpuNsOf(bare.processId()) - bareBefore) / 1e6;
    std::printf(
        "idle for %d s: program %.1f ms of CPU (%.3f%% of a core), bare Qt clock %.1f ms (%.3f%%), ratio %.2f\n",
        seconds, programMs, programMs / seconds / 10, bareMs, bareMs / seconds / 10, programMs / bareMs);
    stopProcess(program);
    stopProcess(bare);
    stopProcess(xvfb);
    return 0;
}
