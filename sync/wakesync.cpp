#include "mainwindow/mainwindow.h"

#include "platform/sleeptime.h"

namespace {
// A rise of the time asleep this large between two ticks is a sleep, not the clocks' rounding.
constexpr qint64 sleepSeenMs = 2000;
// Up to a minute for the network to come back after waking.
constexpr int wakeAttempts = 60;
} // namespace

// After a sleep the clock is off by the drift of its sleep, and the period may be long: ask at once,
// and again at each tick until a request goes out; only the first counts if no reply comes. A try
// still under way (a name lookup, an NTS key exchange) is left to finish meanwhile.
void MainWindow::syncAfterWake()
{
    const qint64 asleep = timeAsleep();
    if (asleep - asleepMs >= sleepSeenMs)
        wakeAttemptsLeft = wakeAttempts;
    asleepMs = asleep;
    if (wakeAttemptsLeft == 0)
        return;
    if (requestWentOut && wakeAttemptsLeft < wakeAttempts) {
        wakeAttemptsLeft = 0;
        return;
    }
    const bool first = wakeAttemptsLeft == wakeAttempts;
    --wakeAttemptsLeft;
    if (requestUnderWay && !first)
        return;
    requestWentOut = false;
    syncTicks = 0;
    sendSyncRequest(true, first);
}

// Only the ticks of a running cycle watch for a sleep; a cycle that starts again takes the time asleep
// as it is now, so that a sleep while it was stopped does not bring a second request after its first.
void MainWindow::keepSleepBaseline()
{
    asleepMs = timeAsleep();
    wakeAttemptsLeft = 0;
}
