#include "base/file_errors.h"

#include "base/error.h"

#include <QFileInfo>

#include <cerrno>

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

QString systemErrorReason(int code)
{
    switch (code) {
    case ENOSPC: return QStringLiteral("Недостаточно места на диске.");
    case EDQUOT: return QStringLiteral("Превышена дисковая квота.");
    case EFBIG: return QStringLiteral("Файл слишком велик для этого диска.");
    case EACCES:
    case EPERM: return QStringLiteral("Отказано в доступе.");
    case EROFS: return QStringLiteral("Диск доступен только для чтения.");
    case ENOENT: return QStringLiteral("Не удается найти указанный путь.");
    case ENOTDIR: return QStringLiteral("Путь указан неверно: одна из его частей не является папкой.");
    case EISDIR: return QStringLiteral("Это папка, а не файл.");
    case ENAMETOOLONG: return QStringLiteral("Слишком длинное имя файла.");
    case EMFILE:
    case ENFILE: return QStringLiteral("Открыто слишком много файлов.");
    case EIO: return QStringLiteral("Ошибка ввода-вывода на диске.");
    case ENOTEMPTY:
    case EEXIST: return QStringLiteral("Файл или папка с таким именем уже существует.");
    case EBUSY: return QStringLiteral("Файл занят другой программой.");
    case EXDEV: return QStringLiteral("Файл нельзя переместить на другой диск.");
    default: return QStringLiteral("Системная ошибка %1.").arg(code);
    }
}

void throwCannotOpenFile(const QFile& file)
{
    throw Error(formatMessage("Cannot open file \"%s\". %s",
                              {file.fileName().toStdString(), fileOpenFailureReason(file).toStdString()}));
}

} // namespace talvena
