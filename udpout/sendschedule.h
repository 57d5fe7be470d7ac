#pragma once

#include <QDateTime>

// When the time datagrams go out: just after each wall-clock second begins, so that
// consecutive datagrams carry consecutive seconds and each arrives while its second is current.
namespace sendschedule {

// How far after a boundary a send is aimed, to stay clear of the boundary itself.
constexpr int marginMsec = 1;

// From the start of the output to the first boundary at least one second away.
int msecToFirstSend(const QDateTime &now);

// From now to just after the next boundary.
int msecToNextSend(const QDateTime &now);

// True when now lies in the last part of a second, i.e. a send aimed at the coming
// boundary fired early (the clock was slewed or stepped back) and would repeat a second.
bool isBeforeBoundary(const QDateTime &now);

} // namespace sendschedule
