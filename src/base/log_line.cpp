#include "base/log_line.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace talvena {
namespace {

void appendDigits(QByteArray& out, int value, int width)
{
    char digits[10];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

QByteArray timestamp()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    QByteArray out;
    appendDigits(out, date.day(), 2);
    out += '.';
    appendDigits(out, date.month(), 2);
    out += '.';
    appendDigits(out, date.year(), 4);
    out += ' ';
    appendDigits(out, time.hour(), 2);
    out += ':';
    appendDigits(out, time.minute(), 2);
    out += ':';
    appendDigits(out, time.second(), 2);
    return out;
}

} // namespace

QString logFilePath()
{
    QString folder = QFile::decodeName(qgetenv("TMPDIR"));
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("Talvena.log");
}

void WriteLogLine(const QByteArray& text, const QString& path)
{
    const QByteArray line = '[' + timestamp() + ']' + text + "\r\n";
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    // One write on an O_APPEND descriptor keeps the line whole even when two starts overlap.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    ::close(fd);
}

} // namespace talvena
