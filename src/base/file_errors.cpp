#include "base/file_errors.h"

#include "base/error.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace talvena {

namespace {

// The system errors a file operation meets. Qt reports them with the C library's text (in the
// process's language), or with its own English wording for a few.
struct KnownError {
    int code;
    const char* qtText; // Qt's own wording, nullptr when Qt passes the C library's on
};

const KnownError kKnownErrors[] = {
    {ENOENT, "No such file or directory"}, {EACCES, "Permission denied"}, {EPERM, nullptr},
    {EISDIR, "file to open is a directory"}, {ENOTDIR, nullptr}, {ENOSPC, "No space left on device"},
    {EDQUOT, nullptr}, {EROFS, nullptr}, {EMFILE, "Too many open files"}, {ENFILE, nullptr},
    {ENAMETOOLONG, nullptr}, {EEXIST, nullptr}, {ENOTEMPTY, nullptr}, {EBUSY, nullptr},
    {EFBIG, nullptr}, {EIO, nullptr}, {EXDEV, nullptr},
};

// When the text is none of the above, the kind of failure still says enough.
QString reasonOfKind(QFileDevice::FileError kind)
{
    switch (kind) {
    case QFileDevice::NoError: return {};
    case QFileDevice::ReadError: return QStringLiteral("Ошибка чтения файла.");
    case QFileDevice::WriteError: return QStringLiteral("Ошибка записи в файл.");
    case QFileDevice::FatalError: return QStringLiteral("Неустранимая ошибка файла.");
    case QFileDevice::ResourceError: return QStringLiteral("Недостаточно системных ресурсов.");
    case QFileDevice::OpenError: return QStringLiteral("Не удалось открыть файл.");
    case QFileDevice::AbortError: return QStringLiteral("Операция с файлом прервана.");
    case QFileDevice::TimeOutError: return QStringLiteral("Истекло время ожидания.");
    case QFileDevice::RemoveError: return QStringLiteral("Не удалось удалить файл.");
    case QFileDevice::RenameError: return QStringLiteral("Не удалось переименовать файл.");
    case QFileDevice::PositionError: return QStringLiteral("Ошибка позиционирования в файле.");
    case QFileDevice::ResizeError: return QStringLiteral("Не удалось изменить размер файла.");
    case QFileDevice::PermissionsError: return QStringLiteral("Отказано в доступе.");
    case QFileDevice::CopyError: return QStringLiteral("Не удалось скопировать файл.");
    case QFileDevice::UnspecifiedError: break;
    }
    return QStringLiteral("Неизвестная ошибка файла.");
}

} // namespace

QString fileErrorReason(const QFileDevice& file)
{
    const QString reason = systemTextReason(file.errorString());
    return reason.isEmpty() ? reasonOfKind(file.error()) : reason;
}

QString systemTextReason(const QString& text)
{
    for (const KnownError& e : kKnownErrors) {
        if ((e.qtText && text.compare(QLatin1String(e.qtText), Qt::CaseInsensitive) == 0) ||
            text == QString::fromLocal8Bit(std::strerror(e.code)))
            return systemErrorReason(e.code);
    }
    return {};
}

QString fileOpenFailureReason(const QFile& file)
{
    const QFileInfo info(file.fileName());
    if (!info.exists()) return QStringLiteral("Не удается найти указанный файл.");
    if (info.isDir()) return QStringLiteral("Это папка, а не файл.");
    if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
        return QStringLiteral("Отказано в доступе.");
    return fileErrorReason(file);
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
