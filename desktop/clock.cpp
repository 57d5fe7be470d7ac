#include "mainwindow/mainwindow.h"

#include "desktop/clockface.h"
#include "ui_mainwindow.h"

#include <QImage>
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
    paintClockGround();
    keepWindowReachable();
    // The program's other once-a-second work rides on this wake-up.
    for (SecondTimer *timer : {syncTimer, statusTimer, outputTimer})
        if (timer)
            timer->secondTurned();
}

// Once shown, the clock's two lines paint their own ground, in the colour the group box "本地时间" has
// behind them: a new second then repaints the lines alone, not the box and its frame as well.
void MainWindow::paintClockGround()
{
    QWidget *box = ui->label_hhmmss->parentWidget();
    if (ui->label_hhmmss->autoFillBackground() || !box->isVisible())
        return;
    QImage boxAlone(box->size(), QImage::Format_ARGB32_Premultiplied);
    box->render(&boxAlone, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QColor ground = boxAlone.pixelColor(ui->label_hhmmss->geometry().topLeft());
    for (QLabel *line : {ui->label_hhmmss, ui->label_yymmdd}) {
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, ground);
        line->setPalette(palette);
        line->setAutoFillBackground(true);
    }
}
