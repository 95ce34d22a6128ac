#pragma once
// Who runs a process, where, and whether it still runs: what lock files and recovery copies
// record about their owner, so that another process can tell a live owner from a dead one.
#include <QString>

namespace talvena {

struct ProcessIdentity {
    QString user;
    QString host;
    qint64 pid = 0;
    // The process's start time in clock ticks since the system booted: a process id can be reused,
    // the pair of id and start time cannot.
    qint64 started = 0;

    bool operator==(const ProcessIdentity&) const = default;
};

// This process.
const ProcessIdentity& CurrentProcess();

// The host's name as identities record it.
QString HostName();

// Whether the process is known to be gone: on this host, no process has its id, or the one that
// has it started at another time. A process of another host is never known to be gone.
bool ProcessGone(const ProcessIdentity& process);
// Only the id, for names that record no start time.
bool ProcessIdGone(qint64 pid);

} // namespace talvena
