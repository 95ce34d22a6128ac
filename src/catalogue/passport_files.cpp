#include "catalogue/passport_files.h"

#include "base/error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>

#include <cstring>

namespace talvena::catalogue {

bool LooksLikePassport(const QByteArray& b)
{
    if (b.size() > 9 && std::memcmp(b.constData(), "\x07lomira2", 8) == 0) return true;
    if (b.size() < 7) return false;
    const auto u = [&](int i) { return static_cast<uint8_t>(b[i]); };
    const int32_t length = static_cast<int32_t>(u(0) | u(1) << 8 | u(2) << 16 | uint32_t(u(3)) << 24);
    return length > 0 && u(4) == 0x1f && u(5) == 0x8b && u(6) == 0x08;
}

std::vector<FoundFile> FindPassportFiles(const QStringList& folders, const std::function<bool(const FoundFile&)>& mustLook)
{
    std::vector<FoundFile> found;
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        if (!info.isDir()) throw Error(formatMessage("Папка «%s» не найдена.", {folder.toStdString()}));
        QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QFileInfo f = it.fileInfo();
            FoundFile file{QDir::cleanPath(f.absoluteFilePath()), f.size(),
                           f.lastModified().toMSecsSinceEpoch()};
            if (mustLook(file)) {
                QFile in(file.path);
                if (in.open(QIODevice::ReadOnly)) {
                    if (!LooksLikePassport(in.read(16))) continue;
                } else {
                    // An unreadable file is listed with its error by the indexer, which cannot tell
                    // what it holds; only names the application gives its passports qualify.
                    if (!file.path.endsWith(QLatin1String(".psp"), Qt::CaseInsensitive)) continue;
                }
            }
            found.push_back(std::move(file));
        }
    }
    return found;
}

QString Sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace talvena::catalogue
