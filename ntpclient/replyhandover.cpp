#include "replyhandover.h"

#include <QRandomGenerator>

NtpReply replyHandedOverNow(const ntppacket::Measurement &measurement)
{
    using namespace std::chrono;
    constexpr int kSecondsAheadOfUtc = 8 * 3600;
    const auto serverTime =
        system_clock::now() + duration_cast<system_clock::duration>(nanoseconds(measurement.offsetNs));
    const auto ms = round<milliseconds>(serverTime.time_since_epoch()).count();
    return NtpReply::measured(measurement.offsetNs, measurement.delayNs,
                              QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, kSecondsAheadOfUtc));
}

ntppacket::Timestamp freshKey()
{
    ntppacket::Timestamp key = 0;
    while (key == 0)
        key = QRandomGenerator::system()->generate64();
    return key;
}
