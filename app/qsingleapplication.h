#pragma once

#include <QApplication>

class QLocalServer;

// The application object with the single-instance guard: the first copy listens on a
// local endpoint named after the application, a later copy hands over its last argument.
class QSingleApplication : public QApplication
{
    Q_OBJECT
public:
    QSingleApplication(int &argc, char **argv);

    bool isRunning() const { return running; }

private slots:
    void newLocalConnection();

private:
    bool handOverToRunningCopy(const QString &instanceName);
    void listen(const QString &instanceName);

    bool running = false;
    QLocalServer *localServer = nullptr;
};
