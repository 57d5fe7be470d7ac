#include "history/systemlogchanges.h"

#include "history/synclogrow.h"

#include <utility>

namespace {

// A stable message per outcome, in English as administrators' tools expect; %1 the server as entered.
QString sentence(SyncOutcome outcome)
{
    switch (outcome) {
    case SyncOutcome::Synced:
        return QStringLiteral("clock set from %1");
    case SyncOutcome::SetFailed:
        return QStringLiteral("clock not set from %1");
    case SyncOutcome::BeyondLimit:
        return QStringLiteral("sync with %1 stopped by the limit");
    case SyncOutcome::NoAnswer:
        return QStringLiteral("no answer from %1");
    case SyncOutcome::LookupFailed:
        return QStringLiteral("cannot look up %1");
    case SyncOutcome::SendFailed:
        return QStringLiteral("cannot send to %1");
    case SyncOutcome::KissOfDeath:
        return QStringLiteral("%1 refused to serve");
    case SyncOutcome::NtsKeyExchange:
        return QStringLiteral("NTS key exchange with %1 failed");
    case SyncOutcome::NtsUntrusted:
        return QStringLiteral("certificate of NTS server %1 not trusted");
    case SyncOutcome::NtsNotAuthenticated:
        return QStringLiteral("reply of NTS server %1 failed authentication");
    case SyncOutcome::Started:
    case SyncOutcome::Exited:
        break;
    }
    return QString();
}

QString message(const SyncReport &report)
{
    QStringList figures;
    if (report.offsetNs)
        figures << QStringLiteral("offset %1 ms").arg(QString::fromLatin1(synclog::millisecondsText(*report.offsetNs)));
    if (report.delayNs)
        figures << QStringLiteral("delay %1 ms").arg(QString::fromLatin1(synclog::millisecondsText(*report.delayNs)));
    QString text = sentence(report.outcome).arg(report.server);
    if (!figures.isEmpty())
        text += QStringLiteral(" (%1)").arg(figures.join(QStringLiteral(", ")));
    const QString detail = report.reason.isEmpty() ? report.text : report.reason;
    return report.outcome == SyncOutcome::Synced || detail.isEmpty() ? text : text + QStringLiteral(": ") + detail;
}

} // namespace

std::optional<SystemLogLine> systemLogChange(SyncHealth &health, const SyncReport &report)
{
    if (report.outcome == SyncOutcome::Started || report.outcome == SyncOutcome::Exited)
        return std::nullopt;
    const bool success = report.outcome == SyncOutcome::Synced;
    const SyncHealth now = success ? SyncHealth::Succeeding : SyncHealth::Failing;
    const bool changed = std::exchange(health, now) != now;
    if (report.outcome == SyncOutcome::BeyondLimit)
        return SystemLogLine{platform::LogSeverity::Error, message(report)};
    if (!changed)
        return std::nullopt;
    return SystemLogLine{success ? platform::LogSeverity::Information : platform::LogSeverity::Warning,
                         message(report)};
}
