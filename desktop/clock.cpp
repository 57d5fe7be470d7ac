#include "mainwindow/mainwindow.h"

#include "desktop/clockface.h"
#include "ui_mainwindow.h"

#include <QTimer>

void MainWindow::startClock()
{
    // One precise wake-up per second, re-armed for the next turn of the second, instead of
    // polling: the display still changes right after the turn, and the idle program sleeps. The
    // sync cycle, its watch and the time output tick with it.
    clockTimer->setSingleShot(true);
    clockTimer->setTimerType(Qt::PreciseTimer);
    DoClock();
}

void MainWindow::DoClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->label_hhmmss->setText(clockTimeText(now));
    ui->label_yymmdd->setText(clockDateText(now));
    clockTimer->start(msToNextSecond(now));
    keepWindowReachable();
    // The program's other once-a-second work rides on this wake-up.
    for (SecondTimer *timer : {syncTimer, statusTimer, outputTimer})
        if (timer)
            timer->secondTurned();
}
