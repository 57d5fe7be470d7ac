#pragma once

#include "fixtures/fakentpserver.h"
#include "mainwindow/mainwindow.h"
#include "ntpclient.h"
#include "ui_mainwindow.h"

#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

// For signal spies on the NTP client.
Q_DECLARE_METATYPE(QHostAddress)
inline const int hostAddressMetaType = qRegisterMetaType<QHostAddress>();

// Closes every message box that code under test runs modally, noting "title|text" of each. A box
// takes the next queued answer it has a button for, else its escape button, else OK.
struct ModalBoxes : QObject
{
    explicit ModalBoxes(QObject *parent = nullptr);
    QStringList seen;
    QList<QMessageBox::StandardButton> answers;
    bool logToStderr = false;
    QTimer timer;
};

// An ntp.ini naming these servers and a loopback output target.
QByteArray iniText(const QStringList &entries = {"127.0.0.1 1000 1000 0"}, int current = 0);

// A main window on its own ntp.ini (none for a null text) in a folder of its own, where start at logon
// is written too; its constructor loads the file and asks the selected server at once. It reaches the window's state
// and private operations as the window's friend.
struct TestWindow
{
    explicit TestWindow(const QByteArray &ini = iniText());

    QTemporaryDir dir;
    QString iniPath;
    MainWindow w;

    Ui::MainWindow *ui() { return w.ui; }
    qint32 &notSynced() { return w.notSynced; }
    QTimer *clockTimer() { return w.clockTimer; }
    SecondTimer *syncTimer() { return w.syncTimer; }
    SecondTimer *statusTimer() { return w.statusTimer; }
    SecondTimer *outputTimer() { return w.outputTimer; }
    QLabel *statusLabel() { return w.statusLabel; }
    QSystemTrayIcon *trayIcon() { return w.trayIcon; }
    QAction *quitAction() { return w.quitAction; }
    bool saveSettings() { return w.saveSettings(); }
    void DoSync() { w.DoSync(); }
    void stopSync() { w.stopSync(); }
    void ntsFailed(const QString &detail) { w.ntsFailed({}, 0, NtsClient::Failure::KeyExchange, detail); }
    std::function<qint64()> &timeAsleep() { return w.timeAsleep; }
    void DoStatus() { w.DoStatus(); }
    void replyReceived(const NtpReply &reply) { w.replyReceived(QHostAddress(), 123, reply); }
    void recordSync(const SyncReport &report) { w.recordSync(report); }
};

// How far a clock offset measured from a reply may be off, in ms: half its round trip, however the time was
// shared between the two ways (a busy machine, a relay, a reply read late where arrivals are not stamped),
// and the rounding of the figures.
inline qint64 offsetToleranceMs(qint64 roundTripMs)
{
    return roundTripMs / 2 + 2;
}

inline void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

QByteArray readAll(const QString &path);
// Starts a copy of the test build of the program in dir, beside the ntp.ini there (a loopback one unless there
// is one), with dir as its temporary folder and its message boxes logged to standard error and closed.
void startCopy(QProcess &process, const QTemporaryDir &dir, const QStringList &arguments = {},
               const QStringList &environment = {});
bool writeAll(const QString &path, const QByteArray &bytes);
// Each item's entry line, flagged where the item does not show the entry's host.
QStringList entriesOf(const QComboBox *list);

// The recording clock, which stands in for the system clock: the offsets it was asked to move by, in ns
// (also appended to the file CHRONVALE_RECORD_CLOCK names, as "<offset ns> <time then, ns>" lines), and the
// reason it refuses with while one is set.
extern QList<qint64> clockMovesNs;
// How far each offset in such a file is from the true one, aheadMs, in ns.
QList<qint64> clockSetErrorsNs(const QString &recordPath, qint64 aheadMs);
extern QString clockFailure;
