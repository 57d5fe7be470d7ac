#pragma once

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

// Reaches into a MainWindow for tests: its form, its state and its private operations.
class MainWindowProbe
{
public:
    explicit MainWindowProbe(MainWindow &window) : w(window) {}

    Ui::MainWindow *ui() const { return w.ui; }
    QString &serverHost() { return w.serverHost; }
    quint8 &ntpVersion() { return w.ntpVersion; }
    quint16 &ntpPort() { return w.ntpPort; }
    quint32 &syncLimit() { return w.syncLimit; }
    quint32 &syncPeriod() { return w.syncPeriod; }
    qint32 &entryState() { return w.entryState; }
    qint32 &notSynced() { return w.notSynced; }
    bool &replyArrived() { return w.replyArrived; }
    quint32 &syncTicks() { return w.syncTicks; }
    QString &validityField() { return w.validityField; }
    QTimer *clockTimer() const { return w.clockTimer; }
    QTimer *syncTimer() const { return w.syncTimer; }
    QTimer *statusTimer() const { return w.statusTimer; }
    quint64 &statusTicks() { return w.statusTicks; }
    QTimer *outputTimer() const { return w.outputTimer; }
    quint64 &outputCount() { return w.outputCount; }
    NtpClient *ntpClient() const { return w.ntpClient; }
    QUdpSocket *udpSocket() const { return w.udpSocket; }
    QAction *restoreAction() const { return w.restoreAction; }
    QAction *quitAction() const { return w.quitAction; }
    QLabel *statusLabel() const { return w.statusLabel; }
    QStatusBar *mainStatusBar() const { return w.mainStatusBar; }
    QSystemTrayIcon *trayIcon() const { return w.trayIcon; }
    QMenu *trayMenu() const { return w.trayMenu; }

    void loadSettings() { w.loadSettings(); }
    bool saveSettings() { return w.saveSettings(); }
    void sendSyncRequest() { w.sendSyncRequest(); }
    void stopSync() { w.stopSync(); }
    void startOutput() { w.startOutput(); }
    void stopOutput() { w.stopOutput(); }
    bool validateAddress(const QString &m, const QString &t) { return w.validateAddress(m, t); }
    bool validateNumber(const QString &m, const QString &t) { return w.validateNumber(m, t); }
    bool trayIconShown() const { return w.trayIconShown(); }

    // Slots, called directly as the event loop would.
    void syncStart() { w.syncStart(); }
    void DoSync() { w.DoSync(); }
    void DoStatus() { w.DoStatus(); }
    void DoClock() { w.DoClock(); }
    void udpSendSyncMsg() { w.udpSendSyncMsg(); }
    void ctlProcessPendingDatagrams() { w.ctlProcessPendingDatagrams(); }
    void replyReceived(const NtpReply &reply) { w.replyReceived(QHostAddress(), 123, reply); }
    void iconActivated(QSystemTrayIcon::ActivationReason reason) { w.iconActivated(reason); }
    void selectEntry(int index) { w.on_comboBox_iplist_currentIndexChanged(index); }
    void outputClicked() { w.on_pushButton_out_clicked(); }
    // Lets a test put a label in place where the status bar has not built one.
    QLabel *&statusLabelMember() { return w.statusLabel; }

    // Settings commands (settings/settingsfile.cpp and the quit paths that save).
    void okClicked() { w.on_pushButton_ok_clicked(); }
    void quitClicked() { w.on_pushButton_quit_clicked(); }
    void exitTriggered() { w.on_action_exit_triggered(); }

private:
    MainWindow &w;
};
