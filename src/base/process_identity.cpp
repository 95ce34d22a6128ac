#include "base/process_identity.h"

#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace talvena {

namespace {

// Whether the process has ended and only waits to be reaped by its parent (state Z or X).
bool endedProcess(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && (text[close + 2] == 'Z' || text[close + 2] == 'X');
}

// Field 22 of /proc/PID/stat; 0 when it cannot be read. The command name in parentheses may hold
// spaces and parentheses itself, so the fields are counted after its last ')'.
qint64 startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) return 0;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the name: state is field 3, so field 22 is the 20th here.
    return fields.size() > 19 ? fields[19].toLongLong() : 0;
}

QString userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    const QString fromEnvironment = qEnvironmentVariable("USER");
    return fromEnvironment.isEmpty() ? QString::number(::getuid()) : fromEnvironment;
}

} // namespace

QString HostName()
{
    static const QString name = QSysInfo::machineHostName();
    return name;
}

const ProcessIdentity& CurrentProcess()
{
    static ProcessIdentity self{userName(), HostName(), qint64(::getpid()), startTimeOf(::getpid())};
    // A forked child is a process of its own (only tests fork without exec).
    if (self.pid != qint64(::getpid())) self = {userName(), HostName(), qint64(::getpid()), startTimeOf(::getpid())};
    return self;
}

bool ProcessIdGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

bool ProcessGone(const ProcessIdentity& process)
{
    if (process.host != HostName() || process.pid <= 0) return false;
    if (ProcessIdGone(process.pid) || endedProcess(process.pid)) return true;
    // The id is taken: by the same process only when it started at the recorded time.
    const qint64 started = startTimeOf(process.pid);
    return process.started != 0 && started != 0 && started != process.started;
}

} // namespace talvena
