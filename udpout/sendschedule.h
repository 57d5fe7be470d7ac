#pragma once

#include <QDateTime>

// When the time datagrams go out: just after each wall-clock second begins, so that
// consecutive datagrams carry consecutive seconds and each arrives while its second is current.
namespace sendschedule {

// True when now lies in the last part of a second, i.e. a send aimed at the coming
// boundary fired early (the clock was slewed or stepped back) and would repeat a second.
bool isBeforeBoundary(const QDateTime &now);

} // namespace sendschedule
