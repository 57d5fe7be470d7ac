// Round trips per second between the NTP client and the fake server over loopback,
// and the spread of the measured offset and delay. Prints figures; asserts nothing.
#include "fixtures/fakentpserver.h"
#include "ntpclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kExchanges = 2000;
constexpr qint64 kServerOffsetMs = 37000;

qint64 percentile(std::vector<qint64> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::size_t(share * double(values.size() - 1))];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FakeNtpServer server;
    server.offsetMs = kServerOffsetMs;
    NtpClient client;
    std::vector<qint64> errors;
    std::vector<qint64> delays;
    QEventLoop loop;
    QObject::connect(&client, &NtpClient::replyReceived, [&](const QHostAddress &, quint16, const NtpReply &reply) {
        errors.push_back(reply.localClockOffset() - kServerOffsetMs);
        delays.push_back(reply.roundTripDelay());
        loop.quit();
    });

    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);

    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < kExchanges; ++i) {
        client.sendRequest(4, QHostAddress::LocalHost, server.socket.localPort());
        giveUp.start(2000);
        loop.exec();
        if (int(errors.size()) != i + 1) {
            std::printf("no reply to exchange %d\n", i);
            return 1;
        }
    }
    const double seconds = double(elapsed.nsecsElapsed()) / 1e9;

    std::printf("%d sequential exchanges in %.3f s: %.0f round trips/s\n", kExchanges, seconds, kExchanges / seconds);
    std::printf("offset error ms: min %lld median %lld max %lld\n", percentile(errors, 0), percentile(errors, 0.5),
                percentile(errors, 1));
    std::printf("delay ms: min %lld median %lld p99 %lld max %lld\n", percentile(delays, 0), percentile(delays, 0.5),
                percentile(delays, 0.99), percentile(delays, 1));
    return 0;
}
