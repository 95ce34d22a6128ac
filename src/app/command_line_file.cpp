#include "app/command_line_file.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace talvena {

namespace {

QString absolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

} // namespace

QString commandLineFileName(const QString& argument)
{
    if (argument.isEmpty()) return argument;
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) && !QFileInfo::exists(argument)) {
        const QUrl url(argument);
        if (!url.isValid() || !url.isLocalFile()) return argument;
        // A file on another host cannot be read from here: the open reports it as given.
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return argument;
        return absolute(url.path(QUrl::FullyDecoded));
    }
    return absolute(argument);
}

} // namespace talvena
