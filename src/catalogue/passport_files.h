#pragma once
// Finding passport files under folders by their content, whatever their names.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace talvena::catalogue {

struct FoundFile {
    QString path; // absolute, cleaned
    qint64 size = 0;
    qint64 modifiedMs = 0;
};

// Whether the first bytes of a file are those of a passport: the header 0x07 "lomira2", or (the
// older layout without it) a positive block length followed by the start of a gzip member.
bool LooksLikePassport(const QByteArray& firstBytes);

// Every regular file under the folders (symbolic links are not followed, so no file is reached
// twice). `isCandidate` says, from the size and time alone, whether the content must be looked
// at; a file it turns down is listed without being read. Throws a Russian message for a folder
// that does not exist.
std::vector<FoundFile> FindPassportFiles(const QStringList& folders, const std::function<bool(const FoundFile&)>& mustLook);

// The SHA-256 of the bytes, lower-case hexadecimal.
QString Sha256Hex(const QByteArray& bytes);

} // namespace talvena::catalogue
