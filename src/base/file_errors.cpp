#include "base/file_errors.h"

#include "base/error.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include <cerrno>

namespace talvena {

namespace {

// System errors a file operation meets, with their Russian reason. Qt reports them with the C
// library's text (in the process's language), or with its own English one for a few.
struct SystemReason {
    int code;
    const char* qtText; // Qt's own wording, nullptr when Qt uses the C library's
    const char* reason;
};

const SystemReason kSystemReasons[] = {
    {ENOENT, "No such file or directory", "Не удается найти указанный файл."},
    {EACCES, "Permission denied", "Отказано в доступе."},
    {EPERM, nullptr, "Отказано в доступе."},
    {EISDIR, "file to open is a directory", "Это папка, а не файл."},
    {ENOTDIR, nullptr, "Путь к файлу указан неверно."},
    {ENOSPC, "No space left on device", "Недостаточно места на диске."},
    {EDQUOT, nullptr, "Превышена дисковая квота."},
    {EROFS, nullptr, "Диск доступен только для чтения."},
    {EMFILE, "Too many open files", "Открыто слишком много файлов."},
    {ENFILE, nullptr, "Открыто слишком много файлов."},
    {ENAMETOOLONG, nullptr, "Слишком длинное имя файла."},
    {EEXIST, nullptr, "Файл уже существует."},
    {EBUSY, nullptr, "Файл занят другой программой."},
    {ETXTBSY, nullptr, "Файл занят другой программой."},
    {EFBIG, nullptr, "Файл слишком велик."},
    {EIO, nullptr, "Ошибка ввода-вывода."},
    {ELOOP, nullptr, "Слишком много символических ссылок в пути."},
    {EINVAL, nullptr, "Недопустимое имя файла."},
    {ENXIO, nullptr, "Устройство недоступно."},
    {ENODEV, nullptr, "Устройство недоступно."},
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
    const QString text = file.errorString();
    for (const SystemReason& r : kSystemReasons) {
        if ((r.qtText && text.compare(QLatin1String(r.qtText), Qt::CaseInsensitive) == 0) ||
            text == QString::fromLocal8Bit(std::strerror(r.code)))
            return QString::fromUtf8(r.reason);
    }
    return reasonOfKind(file.error());
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
