#include "model/attachment_store.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/file_mapping.h"
#include "base/file_errors.h"
#include "base/text_case.h"
#include "storage/gzip.h"
#include "table/record_table.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QtEndian>

#include <cerrno>

namespace talvena {

namespace {

Field& fieldOf(RecordTable& files, const char* name) { return files.fieldByName(name); }

// Splits "name.ext" into the base name and ".ext" (after the last dot; empty when none).
std::pair<QByteArray, QByteArray> splitExtension(const QByteArray& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0) return {name, QByteArray()};
    return {name.left(dot), name.mid(dot)};
}

QByteArray appendAttachment(RecordTable& files, const QByteArray& storedName, const QString& sourcePath,
                            const QByteArray& content)
{
    const QByteArray name = UniqueStoredName(files, storedName);
    files.append();
    try {
        fieldOf(files, "NAME").setString(name);
        fieldOf(files, "SRCNAME").setString(unicodeToCp1251(QFileInfo(sourcePath).fileName()));
        fieldOf(files, "DESCRIPTION").clear();
        fieldOf(files, "CONTENT").setBytes(content);
        files.post();
    } catch (...) {
        files.cancel(); // no half-filled record stays behind
        throw;
    }
    return name;
}

} // namespace

QByteArray CompressAttachmentFile(const QString& sourcePath)
{
    QFile source(sourcePath);
    // Read straight into the compressor's pieces, without a second buffer in between.
    if (!QFileInfo(sourcePath).isFile() || !source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throwCannotOpenFile(source);
    QByteArray compressed;
    // Room for a member of data that does not compress (a few bytes per deflate block more than
    // the file), so a big file is not copied again and again while the member grows.
    compressed.reserve(source.size() + source.size() / 8192 + 64);
    QBuffer out(&compressed);
    out.open(QIODevice::WriteOnly);
    if (CompressToGzip(source, out) != 0)
        throw Error(formatMessage("Cannot open file \"%s\". %s",
                                  {sourcePath.toStdString(), fileErrorReason(source).toStdString()}));
    if (compressed.size() < compressed.capacity() / 4 * 3) compressed.squeeze();
    return compressed;
}

bool FindAttachment(RecordTable& files, const QByteArray& storedName)
{
    return files.locate("NAME", Value::bytes(storedName), true);
}

QByteArray UniqueStoredName(RecordTable& files, const QByteArray& desiredName)
{
    const Field& name = fieldOf(files, "NAME");
    const int width = name.size();
    // The name is compared as it will be stored: cut to the field's width.
    auto fitted = [width](const QByteArray& n) { return width > 0 ? n.left(width) : n; };
    QSet<QByteArray> taken;
    for (int i = 0; i < files.storedCount(); ++i)
        taken.insert(LowerCaseByTable(files.rowValue(files.storedRow(i), name).bytesValue()));
    const QByteArray wanted = fitted(desiredName);
    if (!taken.contains(LowerCaseByTable(wanted))) return wanted;
    const auto [base, extension] = splitExtension(wanted);
    for (int n = 2;; ++n) {
        const QByteArray suffix = " (" + QByteArray::number(n) + ")";
        QByteArray candidate = base + suffix + extension;
        if (width > 0 && candidate.size() > width) {
            // The number stays inside the width: the base gives way, then the extension.
            const qsizetype room = width - suffix.size() - extension.size();
            candidate = room >= 0 ? base.left(room) + suffix + extension
                                  : (base + extension).left(width - suffix.size()) + suffix;
        }
        if (!taken.contains(LowerCaseByTable(candidate))) return candidate;
    }
}

QByteArray AddAttachment(RecordTable& files, const QByteArray& storedName, const QString& sourcePath)
{
    return appendAttachment(files, storedName, sourcePath, CompressAttachmentFile(sourcePath));
}

QByteArray ReplaceAttachment(RecordTable& files, const QByteArray& oldName, const QByteArray& storedName,
                             const QString& sourcePath)
{
    return ReplaceAttachmentWith(files, oldName, storedName, sourcePath, CompressAttachmentFile(sourcePath));
}

QByteArray ReplaceAttachmentWith(RecordTable& files, const QByteArray& oldName, const QByteArray& storedName,
                                 const QString& sourcePath, const QByteArray& content)
{
    if (!oldName.isEmpty()) RemoveAttachment(files, oldName);
    return appendAttachment(files, storedName, sourcePath, content);
}

void RemoveAttachment(RecordTable& files, const QByteArray& storedName)
{
    if (FindAttachment(files, storedName)) files.deleteRecord();
}

void SetAttachmentComment(RecordTable& files, const QByteArray& storedName, const QByteArray& comment)
{
    if (!FindAttachment(files, storedName)) return;
    files.edit();
    fieldOf(files, "DESCRIPTION").setString(comment);
    files.post();
}

WriteOutResult WriteAttachmentOut(RecordTable& files, const QString& targetPath, AtomicFile::LinkPolicy links)
{
    const Field& content = fieldOf(files, "CONTENT");
    if (content.isNull()) return WriteOutResult::NoContent;
    return WriteMemberOut(content.asBytes(), targetPath, links);
}

MemberTrailer ReadMemberTrailer(const QByteArray& member)
{
    MemberTrailer t;
    // Our fixed header is ten bytes, the trailer eight; the smallest member holds an empty block.
    t.member = member.size() >= 20 && uint8_t(member[0]) == 0x1F && uint8_t(member[1]) == 0x8B && member[2] == 8;
    if (member.size() >= 8) {
        t.crc = qFromLittleEndian<uint32_t>(member.constData() + member.size() - 8);
        t.size = qFromLittleEndian<uint32_t>(member.constData() + member.size() - 4);
    }
    return t;
}

WriteOutResult WriteMemberOut(const QByteArray& member, const QString& targetPath, AtomicFile::LinkPolicy links)
{
    CheckMappedBytes(member); // an attachment left in a file that another program changed
    const MemberTrailer trailer = ReadMemberTrailer(member);
    // Stored data passes through the decoder unchanged when it does not start as a member; an
    // attachment is always one, so a lost signature is damage and the deflate data after it is
    // still worth decoding.
    QByteArray repaired = member;
    if (!trailer.member && repaired.size() >= 3) {
        repaired[0] = char(0x1F);
        repaired[1] = char(0x8B);
        repaired[2] = char(8);
    }
    const QStorageInfo disk(QFileInfo(targetPath).absolutePath());
    if (trailer.member && disk.isValid() && disk.bytesAvailable() >= 0 && qint64(trailer.size) > disk.bytesAvailable())
        throw FileWriteError(targetPath, systemErrorReason(ENOSPC));
    AtomicFile target(targetPath, links);
    target.openForWriting();
    const int status = TGzip().decompress(repaired.constData(), repaired.size(), target);
    if (status == GzipWriteFailure || target.writeFailed()) {
        const QString reason = target.failureReason();
        target.discard();
        throw FileWriteError(target.target(), reason);
    }
    try {
        CheckMappedBytes(member); // changed while it was decoded
    } catch (...) {
        target.discard();
        throw;
    }
    target.commit();
    // A damaged member is written out as far as it decodes; the caller hears of it.
    return status == GzipOk && trailer.member ? WriteOutResult::Written : WriteOutResult::Damaged;
}

std::vector<AttachmentInfo> EnumerateAttachments(RecordTable& files)
{
    std::vector<AttachmentInfo> out;
    const Field& name = fieldOf(files, "NAME");
    const Field& source = fieldOf(files, "SRCNAME");
    const Field& description = fieldOf(files, "DESCRIPTION");
    const Field& content = fieldOf(files, "CONTENT");
    for (int i = 0; i < files.storedCount(); ++i) {
        const uint32_t row = files.storedRow(i);
        AttachmentInfo a;
        a.name = files.rowValue(row, name).isNull() ? QByteArray() : files.rowValue(row, name).bytesValue();
        const Value s = files.rowValue(row, source), d = files.rowValue(row, description);
        a.sourceName = s.isNull() ? QByteArray() : s.bytesValue();
        a.description = d.isNull() ? QByteArray() : d.bytesValue();
        const Value c = files.rowValue(row, content);
        a.hasContent = !c.isNull();
        a.compressedSize = a.hasContent ? c.bytesValue().size() : 0;
        out.push_back(std::move(a));
    }
    return out;
}

QString PlainFileName(const QByteArray& storedName)
{
    QString name = cp1251ToUnicode(storedName);
    // Folder separators of either system: only the last part is a file name.
    const qsizetype cut = std::max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
    if (cut >= 0) name = name.mid(cut + 1);
    QString out;
    for (QChar c : name) {
        const bool refused = c.unicode() < 0x20 || QStringLiteral(":*?\"<>|").contains(c);
        out += refused ? QChar('_') : c;
    }
    out = out.trimmed();
    while (out.endsWith('.')) out.chop(1);
    if (out.isEmpty()) out = QStringLiteral("файл");
    return out;
}

QString NumberedFileName(const QString& name, int n)
{
    constexpr qsizetype kMaxFileNameBytes = 255;
    const qsizetype dot = name.lastIndexOf('.');
    QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString number = n > 1 ? QStringLiteral(" (%1)").arg(n) : QString();
    QString ext = extension;
    const auto fits = [&](const QString& b) { return (b + number + ext).toUtf8().size() <= kMaxFileNameBytes; };
    // A stored name of 128 Cyrillic letters is already 256 bytes in UTF-8.
    while (!base.isEmpty() && !fits(base)) base.chop(1);
    if (base.isEmpty()) {
        base = QStringLiteral("file");
        // An extension that alone fills the name gives way too, so the number always fits.
        while (ext.size() > 1 && !fits(base)) ext.chop(1);
        if (ext == QStringLiteral(".")) ext.clear();
    }
    return base + number + ext;
}

DistinctFileNames::DistinctFileNames(const QStringList& taken)
{
    for (const QString& name : taken) taken_.insert(name.toLower());
}

QString DistinctFileNames::take(const QString& plain)
{
    const QString key = plain.toLower();
    int n = nextOf_.value(key, 1);
    QString name = NumberedFileName(plain, n);
    while (taken_.contains(name.toLower())) name = NumberedFileName(plain, ++n);
    nextOf_.insert(key, n + 1);
    taken_.insert(name.toLower());
    return name;
}

} // namespace talvena
