#pragma once

#include "history/systemlogchanges.h"
#include "mainwindow/secondtimer.h"
#include "ntsclient.h"
#include "platform/sleeptime.h"
#include "settings/settingsstore.h"
#include "sync/syncreport.h"

#include <QDateTime>
#include <QHostAddress>
#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class NtpClient;
class NtpReply;
class QAction;
class QCloseEvent;
class QHostInfo;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QUdpSocket;
class SyncHistoryWindow;

namespace Ui {
class MainWindow;
}

// The one window of the program and the owner of all its run-time state.
// The operations of each subsystem live in that subsystem's folder.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Shows, raises and activates the window, wherever it was.
    void bringBack();
    // Saves and ends the event loop, as "退出" does.
    void saveAndQuit();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void syncStart();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void udpSendSyncMsg();
    void ctlProcessPendingDatagrams();
    void DoClock();
    void DoSync();
    void DoStatus();
    void replyReceived(const QHostAddress &address, unsigned short port, const NtpReply &reply);
    void serverRefused(const QHostAddress &address, unsigned short port, const QString &code);
    void on_pushButton_sync_clicked();
    void on_pushButton_add_clicked();
    void on_pushButton_edit_clicked();
    void on_pushButton_del_clicked();
    void on_pushButton_ok_clicked();
    void on_pushButton_quit_clicked();
    void on_pushButton_out_clicked();
    void on_checkBox_pallet_stateChanged(int arg1);
    void on_checkBox_startrun_stateChanged(int arg1);
    void on_action_exit_triggered();
    void on_action_about_triggered();
    void on_action_manual_triggered();
    void on_comboBox_iplist_currentIndexChanged(int index);
    void on_action_history_triggered();

private:
    // mainwindow/mainwindow.cpp
    void installValidators();
    void fitFieldWidths();
    // desktop/statusbar.cpp
    void initStatusBar();
    // desktop/clock.cpp
    void startClock();
    void paintClockGround();
    // desktop/trayicon.cpp
    void setupTrayActions();
    void setupTrayIcon();
    bool trayIconShown() const;
    void hideToTray();
    void keepWindowReachable();
    // udpout/timemessage.cpp
    void setupOutput();
    // udpout/outputcontrol.cpp
    void startOutput();
    void stopOutput();
    bool validateAddress(const QString &message, const QString &text);
    bool validateNumber(const QString &message, const QString &text);
    // settings/settingsfile.cpp
    void loadSettings();
    bool saveSettings(bool onExit = false);
    void keepDamagedSettings(const QString &path, const settingsstore::Stored &stored);
    // sync/synccycle.cpp
    void stopSync();
    // sync/syncrequest.cpp
    void sendSyncRequest(bool atSyncStart, bool countUnanswered = true);
    void hostLookedUp(const QHostInfo &info, bool atSyncStart);
    void hostNotFound(bool atSyncStart);
    void sendTo(const QHostAddress &address);
    void awaitAnswer();
    void ntsFailed(const QString &host, quint16 port, NtsClient::Failure failure, const QString &detail);
    void ntsRequestSent();
    // sync/replyevaluation.cpp
    void clockMoved(SyncReport report, const NtpReply &reply, bool moved, const QString &reason);
    void writeEntryState();
    // sync/syncresult.cpp
    void showSyncResult(const SyncReport &report);
    // history/syncrecord.cpp
    void recordSync(const SyncReport &report);
    void startSyncRecord();
    // sync/wakesync.cpp
    void syncAfterWake();
    void keepSleepBaseline();
    // sync/timeservicenotice.cpp
    void timeServiceFound(const QString &name);

    Ui::MainWindow *ui = nullptr;
    QString serverHost;
    quint8 ntpVersion = 0;
    quint16 ntpPort = 0;
    quint32 syncLimit = 0;
    quint32 syncPeriod = 0;
    qint32 entryState = 0;
    qint32 notSynced = 0;
    bool replyArrived = false;
    quint64 repliesSeen = 0; // replies taken in so far, so that a request can tell whether it had one
    int unansweredInRow = 0; // requests in a row that had no reply within their wait
    quint32 syncTicks = 0;
    QString validityField;
    QTimer *clockTimer = nullptr;
    SecondTimer *syncTimer = nullptr;
    SecondTimer *statusTimer = nullptr;
    quint64 statusTicks = 0;
    SecondTimer *outputTimer = nullptr;
    quint64 outputCount = 0;
    NtpClient *ntpClient = nullptr;
    NtsClient *ntsClient = nullptr;
    QString ntsTrustedCerts; // as ntp.ini has it; relative to its folder
    QUdpSocket *udpSocket = nullptr;
    QAction *restoreAction = nullptr;
    QAction *quitAction = nullptr;
    QLabel *statusLabel = nullptr;
    QStatusBar *mainStatusBar = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
    bool settingsUnread = false;    // ntp.ini could not be read as expected, nor kept aside
    int hostLookup = -1;            // the lookup under way for the next request, if any
    bool hiddenToTray = false;      // hidden by a close or OK while the tray icon was shown
    bool requestWentOut = false;    // the last request left this machine
    bool requestUnderWay = false;   // handed to a name lookup or an NTS key exchange, not yet gone out or failed
    bool clockMoveUnderWay = false; // a reply's offset is being applied to the clock
    std::function<qint64()> timeAsleep = platform::timeAsleepMs; // tests put a sleep of their own here
    qint64 asleepMs = platform::timeAsleepMs();                  // the time asleep at the last tick
    int wakeAttemptsLeft = 0; // requests still to try after a sleep, until one goes out

    QString syncLogFolder;                       // where sync-log.csv is kept: the folder of ntp.ini
    bool syncLogFailing = false;                 // the last row could not be written, and the user was told
    SyncHealth syncHealth = SyncHealth::Unknown; // as the system's log was last told
    SyncHistoryWindow *historyWindow = nullptr;  // "同步记录", once opened

    friend struct TestWindow; // tests reach the state through this
};
