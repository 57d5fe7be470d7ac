#include "history/synclogrow.h"

#include "history/csv.h"

#include <QDateTime>

#include <algorithm>

namespace synclog {

namespace {

struct OutcomeWord
{
    SyncOutcome outcome;
    const char *word;
};

const OutcomeWord outcomeWords[] = {
    {SyncOutcome::Started, "started"},
    {SyncOutcome::Exited, "exited"},
    {SyncOutcome::Synced, "synced"},
    {SyncOutcome::SetFailed, "set-failed"},
    {SyncOutcome::BeyondLimit, "beyond-limit"},
    {SyncOutcome::NoAnswer, "no-answer"},
    {SyncOutcome::LookupFailed, "lookup-failed"},
    {SyncOutcome::SendFailed, "send-failed"},
    {SyncOutcome::KissOfDeath, "kiss-of-death"},
    {SyncOutcome::NtsKeyExchange, "nts-key-exchange"},
    {SyncOutcome::NtsUntrusted, "nts-untrusted"},
    {SyncOutcome::NtsNotAuthenticated, "nts-not-authenticated"},
};

constexpr int columnCount = 8;

std::optional<SyncOutcome> outcomeOf(const QByteArray &word)
{
    for (const OutcomeWord &known : outcomeWords)
        if (word == known.word)
            return known.outcome;
    return std::nullopt;
}

QByteArray optionalMs(const std::optional<qint64> &ns)
{
    return ns ? millisecondsText(*ns) : QByteArray();
}

// Digits at text[from, from + count), or -1.
int digits(const QByteArray &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Written and read a row at a time, so by hand: QDateTime's parser is the larger part of reading a file.
bool parseLocalTime(const QByteArray &text, SyncLogRow &row)
{
    if (text.size() != 29 || text[10] != 'T' || (text[23] != '+' && text[23] != '-'))
        return false;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2),
              hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2),
              ms = digits(text, 20, 3), offsetHours = digits(text, 24, 2), offsetMinutes = digits(text, 27, 2);
    if (std::min({year, month, day, hour, minute, second, ms, offsetHours, offsetMinutes}) < 0 || month < 1
        || month > 12 || day < 1 || day > 31)
        return false;
    row.utcOffsetSecs = (text[23] == '-' ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    const qint64 localSecs = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    row.timeMs = (localSecs - row.utcOffsetSecs) * 1000 + ms;
    return true;
}

// "-3.210" back to nanoseconds; none for an empty field, false for one that is not such a number.
bool parseMs(const QByteArray &text, std::optional<qint64> &ns)
{
    if (text.isEmpty())
        return true;
    bool ok = false;
    const double ms = text.toDouble(&ok);
    if (ok)
        ns = qRound64(ms * 1e6);
    return ok;
}

} // namespace

SyncLogRow stamped(const SyncReport &report)
{
    const QDateTime now = QDateTime::currentDateTime();
    return {now.toMSecsSinceEpoch(), now.offsetFromUtc(), report};
}

QByteArray headerLine()
{
    return csv::line({"时间", "服务器", "结果", "同步行", "时延(ms)", "偏差(ms)", "设置时钟", "原因"});
}

QByteArray csvLine(const SyncLogRow &row)
{
    const SyncReport &report = row.report;
    return csv::line({localTimeText(row.timeMs, row.utcOffsetSecs), report.server.toUtf8(), keyword(report.outcome),
                      report.text.toUtf8(), optionalMs(report.delayNs), optionalMs(report.offsetNs),
                      report.clockSet ? "yes" : "no", report.reason.toUtf8()});
}

std::optional<SyncLogRow> fromFields(const QList<QByteArray> &fields)
{
    SyncLogRow row;
    if (fields.size() != columnCount || !parseLocalTime(fields[0], row))
        return std::nullopt;
    const std::optional<SyncOutcome> outcome = outcomeOf(fields[2]);
    if (!outcome || !parseMs(fields[4], row.report.delayNs) || !parseMs(fields[5], row.report.offsetNs))
        return std::nullopt;
    row.report.outcome = *outcome;
    row.report.server = QString::fromUtf8(fields[1]);
    row.report.text = QString::fromUtf8(fields[3]);
    row.report.clockSet = fields[6] == "yes";
    row.report.reason = QString::fromUtf8(fields[7]);
    return row;
}

QByteArray localTimeText(qint64 timeMs, int utcOffsetSecs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(timeMs + utcOffsetSecs * qint64(1000), Qt::UTC);
    const int offsetMinutes = qAbs(utcOffsetSecs) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toLatin1() + (utcOffsetSecs < 0 ? '-' : '+')
           + QByteArray::number(offsetMinutes / 60).rightJustified(2, '0') + ':'
           + QByteArray::number(offsetMinutes % 60).rightJustified(2, '0');
}

QByteArray millisecondsText(qint64 ns)
{
    const qint64 us = (ns >= 0 ? ns + 500 : ns - 500) / 1000; // to the microsecond, half away from zero
    return (us < 0 ? "-" : "") + QByteArray::number(qAbs(us) / 1000) + '.'
           + QByteArray::number(qAbs(us) % 1000).rightJustified(3, '0');
}

QByteArray keyword(SyncOutcome outcome)
{
    for (const OutcomeWord &known : outcomeWords)
        if (known.outcome == outcome)
            return known.word;
    return "unknown";
}

} // namespace synclog
