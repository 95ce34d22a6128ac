#include "export/written_file.h"

#include "base/atomic_file.h"

#include <QFileInfo>

namespace talvena {

void WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    // A folder would only be found when the finished file is renamed onto it.
    if (QFileInfo(path).isDir()) throw FileCreateError(QFileInfo(path).absoluteFilePath(), QStringLiteral("Это папка, а не файл."));
    WriteFileAtomically(path, bytes, AtomicFile::LinkPolicy::ReplaceLink);
}

} // namespace talvena
