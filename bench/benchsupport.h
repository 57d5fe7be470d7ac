#pragma once

// What the benchmarks share: they run in the tests' loopback-only namespaces and on the tests'
// fixtures, and print figures without asserting anything.

#include "helpers/support.h"

#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <unistd.h>

// Runs this benchmark again inside tests/netns-run.sh, unless it already runs there.
inline void runInsideLoopbackNamespace(char *argv[])
{
    const char *insideMarker = "CHRONVALE_BENCH_IN_NETNS";
    if (qEnvironmentVariableIsSet(insideMarker))
        return;
    qputenv(insideMarker, "1");
    const QByteArray script = CHRONVALE_SOURCE_DIR "/tests/netns-run.sh";
    std::vector<char *> args{const_cast<char *>(script.constData())};
    for (char **arg = argv; *arg; ++arg)
        args.push_back(*arg);
    args.push_back(nullptr);
    execv(script.constData(), args.data());
    std::perror("netns-run.sh");
    std::exit(1);
}

inline void serveEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void stopProcess(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(3000);
}

// Starts Xvfb on a display it picks itself; the display name (":N"), or empty.
inline QString startXvfb(QProcess &xvfb)
{
    xvfb.start(QStringLiteral("Xvfb"),
               {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"});
    QByteArray number;
    while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
        number += xvfb.readAllStandardOutput();
    number = number.trimmed();
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}
