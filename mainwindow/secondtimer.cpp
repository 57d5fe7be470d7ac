#include "mainwindow/secondtimer.h"

namespace {
// Turns come a second apart; the clock may be redrawn between them.
constexpr qint64 turnsApartMs = 500;
} // namespace

void SecondTimer::start(int firstAfterMs)
{
    started.start();
    nextTickAtMs = firstAfterMs;
}

void SecondTimer::stop()
{
    started.invalidate();
}

void SecondTimer::secondTurned()
{
    if (!isActive() || started.elapsed() < nextTickAtMs)
        return;
    nextTickAtMs = started.elapsed() + turnsApartMs;
    emit timeout();
}
