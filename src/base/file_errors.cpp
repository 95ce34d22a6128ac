#include "base/file_errors.h"

#include "base/error.h"

#include <QFileInfo>

namespace talvena {

QString fileOpenFailureReason(const QFile& file)
{
    const QFileInfo info(file.fileName());
    if (!info.exists()) return QStringLiteral("Не удается найти указанный файл.");
    if (info.isDir()) return QStringLiteral("Это папка, а не файл.");
    if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
        return QStringLiteral("Отказано в доступе.");
    return file.errorString();
}

void throwCannotOpenFile(const QFile& file)
{
    throw Error(formatMessage("Cannot open file \"%s\". %s",
                              {file.fileName().toStdString(), fileOpenFailureReason(file).toStdString()}));
}

} // namespace talvena
