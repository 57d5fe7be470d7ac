#pragma once

#include <QApplication>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// The application object with the single-instance guard: the copy that holds the user's lock is the
// first and listens on a local endpoint of the user's own; a later copy hands its last argument over.
class QSingleApplication : public QApplication
{
    Q_OBJECT
public:
    QSingleApplication(int &argc, char **argv);
    ~QSingleApplication() override;

    bool isRunning() const { return running; }

signals:
    // Another copy was started and has handed its text over.
    void anotherCopyStarted();

private slots:
    void newLocalConnection();

private:
    void handOverToRunningCopy(const QString &serverName);
    void listen(const QString &serverName);
    void readHandOver(QLocalSocket *socket, bool handedOver);

    bool running = false;
    QLocalServer *localServer = nullptr;
    std::unique_ptr<QLockFile> lock;
};
