#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include <QLabel>
#include <QStatusBar>

void MainWindow::initStatusBar()
{
    statusLabel = new QLabel();
    statusLabel->setMinimumSize(150, 20);
    statusLabel->setAlignment(Qt::AlignHCenter);
    statusLabel->setText(tr("Chronvale"));

    auto *makerLabel = new QLabel();
    makerLabel->setMinimumSize(150, 20);
    makerLabel->setAlignment(Qt::AlignHCenter);
    makerLabel->setText(tr("Vantrel"));

    mainStatusBar = statusBar();
    mainStatusBar->setSizeGripEnabled(false); // the window has a fixed size
    mainStatusBar->setStyleSheet(QStringLiteral("QStatusBar::item{border: 0px}"));
    mainStatusBar->addWidget(statusLabel, 0);
    mainStatusBar->addPermanentWidget(makerLabel, 0);
}
