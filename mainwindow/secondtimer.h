#pragma once

#include <QElapsedTimer>
#include <QObject>

// A once-a-second timer that rides on the clock's own wake-up at each turn of the second, so that the
// idle program wakes once a second rather than once for each of its timers.
class SecondTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Ticks from the first turn of the second at least firstAfterMs from now on, then at every turn.
    void start(int firstAfterMs);
    void stop();
    bool isActive() const { return started.isValid(); }
    // At a turn of the second. A second call within the same second (the clock redrawn after it was
    // set) is no turn.
    void secondTurned();

signals:
    void timeout();

private:
    QElapsedTimer started;
    qint64 nextTickAtMs = 0; // since started
};
