#include "export/written_file.h"

#include "base/error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace talvena {

namespace {

QString creationFailureReason(const QString& path, const QSaveFile& file)
{
    const QFileInfo info(path);
    if (info.isDir()) return QStringLiteral("Это папка, а не файл.");
    if (!info.absoluteDir().exists()) return QStringLiteral("Не удается найти указанный путь.");
    if (file.error() == QFileDevice::PermissionsError || (info.exists() && !info.isWritable()))
        return QStringLiteral("Отказано в доступе.");
    return file.errorString();
}

} // namespace

void WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // A folder would only be found when the finished file is renamed onto it.
    if (QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly))
        throw Error(formatMessage("Cannot open file \"%s\". %s",
                                  {path.toStdString(), creationFailureReason(path, file).toStdString()}));
    if (file.write(bytes) != bytes.size()) throw Error("Stream write error");
    if (!file.commit()) throw Error("Stream write error");
}

} // namespace talvena
