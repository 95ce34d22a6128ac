#pragma once
// A folder where writes run out of room for real, at a chosen number of bytes.
//
// As root (CI runs the tests so) a tiny tmpfs is mounted on the folder and filled up to the room
// left; an attempt then runs in the test process. Where mounting is not allowed, the attempt runs
// in a child process whose file size limit (RLIMIT_FSIZE, with SIGXFSZ ignored, so writes fail
// with EFBIG) stops any file at the same count. Either way the write fails inside the system
// call, as on a full disk.
#include "base/error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace talvena::testsupport {

struct Attempt {
    bool threw = false;
    std::string message; // the error's message when it threw
};

class ShortOfSpace {
public:
    ShortOfSpace()
    {
        folder_ = base_.filePath("disk");
        QDir().mkpath(folder_);
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~ShortOfSpace()
    {
        if (mounted_) ::umount(QFile::encodeName(folder_).constData());
    }
    ShortOfSpace(const ShortOfSpace&) = delete;
    ShortOfSpace& operator=(const ShortOfSpace&) = delete;

    const QString& folder() const { return folder_; }
    std::string how() const { return mounted_ ? "tmpfs" : "file size limit"; }
    // Files the test put there itself before the attempt (the fill file is not one of them).
    QStringList entries() const
    {
        QStringList names = QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral(".fill"));
        return names;
    }

    // Runs the action with `room` bytes left for new data.
    Attempt attempt(qint64 room, const std::function<void()>& action)
    {
        if (mounted_) {
            fill(room);
            Attempt a;
            try {
                action();
            } catch (const Error& e) {
                a.threw = true;
                a.message = e.what();
            }
            QFile::remove(folder_ + "/.fill");
            return a;
        }
        return inLimitedChild(room, action);
    }

private:
    // Writes zeros until the disk is full, then gives back `room` bytes.
    void fill(qint64 room)
    {
        const int fd = ::open(QFile::encodeName(folder_ + "/.fill").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        static const char zeros[4096] = {};
        qint64 written = 0;
        for (ssize_t n; (n = ::write(fd, zeros, sizeof zeros)) > 0;) written += n;
        if (::ftruncate(fd, written > room ? written - room : 0) != 0) written = 0;
        ::close(fd);
    }

    static Attempt inLimitedChild(qint64 room, const std::function<void()>& action)
    {
        int fds[2];
        if (::pipe(fds) != 0) return {true, "pipe failed"};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(room), rlim_t(room)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            int code = 0;
            std::string message;
            try {
                action();
            } catch (const Error& e) {
                code = 1;
                message = e.what();
            }
            if (::write(fds[1], message.data(), message.size()) < 0) code = 2;
            ::_exit(code);
        }
        ::close(fds[1]);
        Attempt a;
        char buffer[512];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) a.message.append(buffer, size_t(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        a.threw = WIFEXITED(status) && WEXITSTATUS(status) == 1;
        return a;
    }

    QTemporaryDir base_;
    QString folder_;
    bool mounted_ = false;
};

} // namespace talvena::testsupport
