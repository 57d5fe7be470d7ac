// The time feed as a display device receives it on 127.0.0.1: how many datagrams came,
// whether any second was repeated or skipped, and how long after its second began each arrived.
// Usage: bench_timefeed [seconds]   (default 120)

#include "benchsupport.h"

#include <QNetworkDatagram>
#include <QTextStream>
#include <QUdpSocket>

#include <algorithm>

namespace {

struct Received
{
    QByteArray bytes;
    QDateTime at;
};

QDateTime timeIn(const QByteArray &datagram)
{
    return QDateTime::fromString(QString::fromLatin1(datagram.mid(8, 19)), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

struct FeedFigures
{
    int received = 0;
    int repeated = 0;
    int skipped = 0;
    int notCurrent = 0;
    QList<int> delays;
};

FeedFigures measure(const QList<Received> &received)
{
    FeedFigures figures;
    figures.received = received.size();
    for (int i = 0; i < received.size(); ++i) {
        const QDateTime carried = timeIn(received.at(i).bytes);
        const qint64 lag = carried.msecsTo(received.at(i).at);
        if (lag < 0 || lag >= 1000)
            ++figures.notCurrent;
        figures.delays.append(received.at(i).at.time().msec());
        if (i == 0)
            continue;
        const qint64 step = timeIn(received.at(i - 1).bytes).secsTo(carried);
        if (step <= 0)
            ++figures.repeated;
        else if (step > 1)
            figures.skipped += int(step - 1);
    }
    std::sort(figures.delays.begin(), figures.delays.end());
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    runInsideLoopbackNamespace(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 120;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QUdpSocket display;
    if (!display.bind(QHostAddress::LocalHost))
        return 1;
    QList<Received> received;
    QObject::connect(&display, &QUdpSocket::readyRead, [&] {
        const QDateTime now = QDateTime::currentDateTime();
        while (display.hasPendingDatagrams())
            received.append({display.receiveDatagram().data(), now});
    });
    TestWindow t;
    t.ui()->lineEdit_objport->setText(QString::number(display.localPort()));
    t.ui()->pushButton_out->click();
    serveEventsFor((seconds + 2) * 1000);

    const FeedFigures figures = measure(received);
    QTextStream out(stdout);
    out << "time feed over " << seconds << " s on 127.0.0.1\n"
        << "  datagrams received        " << figures.received << "\n"
        << "  seconds repeated          " << figures.repeated << "\n"
        << "  seconds skipped           " << figures.skipped << "\n"
        << "  arrived outside its second " << figures.notCurrent << "\n";
    if (!figures.delays.isEmpty()) {
        out << "  arrival after boundary ms median " << figures.delays.at(figures.delays.size() / 2) << ", 95th "
            << figures.delays.at(figures.delays.size() * 95 / 100) << ", max " << figures.delays.last() << "\n";
    }
    return 0;
}
