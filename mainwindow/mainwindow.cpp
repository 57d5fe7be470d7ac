#include "mainwindow/mainwindow.h"

#include "mainwindow/inputpatterns.h"
#include "ntpclient.h"
#include "platform/timeservice.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QRegExpValidator>
#include <QStyleOptionFrame>
#include <QTimer>

namespace {

// Wide enough to show text whole: its advance, the field's inner margins of 2 px a side and the
// cursor, within the frame around the rectangle the field paints its text in. That rectangle is asked
// of the style, not the size a style gives a line edit, which Windows Vista's widens by a combo box's
// arrow: fitted so, the output row is wider than the window and its fields run under their neighbours.
void fitWidthTo(QLineEdit *field, const QString &text)
{
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field);
    frame.rect = QRect(0, 0, 1000, field->sizeHint().height());
    const int around =
        frame.rect.width() - field->style()->subElementRect(QStyle::SE_LineEditContents, &frame, field).width();
    const QMargins margins = field->textMargins();
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(text) + 5 + margins.left() + margins.right()
                           + around);
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setFixedSize(583, 370);
    ui->mainToolBar->hide();
    initStatusBar();
    syncTicks = 0;
    outputCount = 0;
    statusTicks = 0;

    ntpClient = new NtpClient();
    connect(ntpClient, &NtpClient::replyReceived, this, &MainWindow::replyReceived);
    connect(ntpClient, &NtpClient::refused, this, &MainWindow::serverRefused);
    ntsClient = new NtsClient();
    connect(ntsClient, &NtsClient::replyReceived, this, &MainWindow::replyReceived);
    connect(ntsClient, &NtsClient::failed, this, &MainWindow::ntsFailed);
    connect(ntsClient, &NtsClient::requestSent, this, &MainWindow::ntsRequestSent);
    // The session manager ends the session: what the window holds is saved first.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { saveSettings(true); });

    setupTrayActions();
    setupTrayIcon();
    setupOutput();
    loadSettings();

    clockTimer = new QTimer();
    connect(clockTimer, SIGNAL(timeout()), this, SLOT(DoClock()));
    startClock();

    syncTimer = new SecondTimer();
    connect(syncTimer, SIGNAL(timeout()), this, SLOT(DoSync()));
    statusTimer = new SecondTimer();
    connect(statusTimer, SIGNAL(timeout()), this, SLOT(DoStatus()));

    installValidators();
    fitFieldWidths();

    if (ui->checkBox_start_run_ctl->isChecked())
        startOutput();
    startSyncRecord();
    syncStart();
    QTimer::singleShot(6000, this, &MainWindow::syncStart);
    platform::findTimeService(this, [this](const QString &name) { timeServiceFound(name); });
}

MainWindow::~MainWindow()
{
    delete ui;
    // Created without a parent; released here so that a window's end leaves nothing behind.
    delete clockTimer;
    delete syncTimer;
    delete statusTimer;
    delete outputTimer;
    delete ntpClient;
    delete ntsClient;
}

void MainWindow::installValidators()
{
    const QRegExp address(QString::fromLatin1(inputpatterns::address()));
    const QRegExp number(QString::fromLatin1(inputpatterns::number()));
    ui->lineEdit_objip->setValidator(new QRegExpValidator(address, this));
    ui->lineEdit_cyc->setValidator(new QRegExpValidator(number, this));
    ui->lineEdit_limit->setValidator(new QRegExpValidator(number, this));
    ui->lineEdit_localport->setValidator(new QRegExpValidator(number, this));
    ui->lineEdit_objport->setValidator(new QRegExpValidator(number, this));
}

// Each field shows the widest text it takes whole: an address, a port, a limit or a period.
void MainWindow::fitFieldWidths()
{
    const QString port = QStringLiteral("65535"), seconds = QStringLiteral("-4294967295");
    fitWidthTo(ui->lineEdit_objip, QStringLiteral("255.255.255.255"));
    fitWidthTo(ui->lineEdit_localport, port);
    fitWidthTo(ui->lineEdit_objport, port);
    fitWidthTo(ui->lineEdit_limit, seconds);
    fitWidthTo(ui->lineEdit_cyc, seconds);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveSettings(!trayIconShown());
    if (trayIconShown()) {
        hideToTray();
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::on_pushButton_quit_clicked()
{
    saveAndQuit();
}

void MainWindow::saveAndQuit()
{
    saveSettings(true);
    QCoreApplication::exit(0);
}

void MainWindow::on_action_exit_triggered()
{
    saveSettings(true);
    QCoreApplication::quit();
}
