#pragma once

#include <QString>

#include <optional>

// What came of asking a server, as the sync line shows it and the sync record keeps it.
enum class SyncOutcome {
    Started,            // the program started
    Exited,             // the program ended
    Synced,             // the clock was set
    SetFailed,          // the clock could not be set
    BeyondLimit,        // the offset was beyond the entry's limit; syncing stopped
    NoAnswer,           // no reply within the wait
    LookupFailed,       // the server's name could not be looked up
    SendFailed,         // this machine could not send the request
    KissOfDeath,        // the server said stop
    NtsKeyExchange,     // the NTS key exchange failed
    NtsUntrusted,       // the NTS server's certificate is not trusted
    NtsNotAuthenticated // an NTS reply failed authentication
};

struct SyncReport
{
    SyncReport() = default;
    SyncReport(SyncOutcome outcome, const QString &server, const QString &text, const QString &reason = {})
        : outcome(outcome), server(server), text(text), reason(reason)
    {
    }

    SyncOutcome outcome = SyncOutcome::Synced;
    QString server; // as entered
    QString text;   // the sync line
    QString reason; // its tooltip, without the time service's note
    // As measured, where a reply came.
    std::optional<qint64> delayNs;
    std::optional<qint64> offsetNs;
    bool clockSet = false;
};
