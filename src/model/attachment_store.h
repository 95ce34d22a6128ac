#pragma once
// The attached files of a passport: records of FILES holding a stored name, the source file
// compressed as one gzip member, a comment and the source file's own name.
#include "base/atomic_file.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace talvena {

class RecordTable;

struct AttachmentInfo {
    QByteArray name;        // stored name (CP1251)
    QByteArray sourceName;  // SRCNAME
    QByteArray description; // DESCRIPTION
    qsizetype compressedSize = 0;
    bool hasContent = false;
};

// Makes the first record whose stored name equals the name (letter case ignored, Cyrillic
// included) current; false, with the current record unchanged, when there is none.
bool FindAttachment(RecordTable& files, const QByteArray& storedName);

// The name as NAME stores it (cut to the field's width) when no record has it, else that name with
// " (2)", " (3)" … before its extension, kept within the width too. Letter case is ignored.
QByteArray UniqueStoredName(RecordTable& files, const QByteArray& desiredName);

// Reads the source file and compresses it into the one gzip member CONTENT holds. Touches no table,
// so it may run away from the user-interface thread. A file that cannot be read fails with
// "Cannot open file "%s". %s".
QByteArray CompressAttachmentFile(const QString& sourcePath);

// Reads and compresses the source file, then appends and posts a record under a stored name that
// no other record has (see UniqueStoredName); returns the name used. A file that cannot be read
// fails with "Cannot open file "%s". %s" and leaves FILES as it was.
QByteArray AddAttachment(RecordTable& files, const QByteArray& storedName, const QString& sourcePath);
// Loading into a filled place: the new file is read and compressed before the old attachment is
// removed, so a failure leaves the old one in place. Returns the stored name used.
QByteArray ReplaceAttachment(RecordTable& files, const QByteArray& oldName, const QByteArray& storedName,
                             const QString& sourcePath);
// The same with the new file already compressed (CompressAttachmentFile): removes the old
// attachment, then appends the new one under a unique stored name.
QByteArray ReplaceAttachmentWith(RecordTable& files, const QByteArray& oldName, const QByteArray& storedName,
                                 const QString& sourcePath, const QByteArray& content);
void RemoveAttachment(RecordTable& files, const QByteArray& storedName);
void SetAttachmentComment(RecordTable& files, const QByteArray& storedName, const QByteArray& comment);
enum class WriteOutResult {
    Written,   // the whole attached file
    Damaged,   // its stored member is damaged: written as far as it decodes
    NoContent, // CONTENT is NULL: nothing written
};

// Decompresses CONTENT of the current record into the target, which is replaced only when the
// whole file was written (see AtomicFile; the link policy says what a symbolic link under the
// target name means). A target that cannot be created fails with "Cannot create file "%s". %s",
// a failed write with FileWriteError ("Stream write error"); the previous file stays then. A
// member that lost its gzip signature is damaged: it is decoded as if the signature were there.
// Before writing, the size the trailer states must fit in the free space of the target's disk
// (else FileWriteError, "Недостаточно места на диске."), so a small member that claims gigabytes
// does not fill the disk first.
WriteOutResult WriteAttachmentOut(RecordTable& files, const QString& targetPath,
                                  AtomicFile::LinkPolicy links = AtomicFile::LinkPolicy::WriteLinkTarget);
// The same for a member already taken from CONTENT; touches no table, so it may run away from the
// user-interface thread.
WriteOutResult WriteMemberOut(const QByteArray& member, const QString& targetPath,
                              AtomicFile::LinkPolicy links = AtomicFile::LinkPolicy::WriteLinkTarget);
std::vector<AttachmentInfo> EnumerateAttachments(RecordTable& files);

// What a stored member says of itself without decoding it: whether it starts as a gzip member
// of deflate data and is long enough for its trailer, and the CRC-32 and size (modulo 2^32, as
// gzip keeps it) the trailer states. A member that is not one is damaged.
struct MemberTrailer {
    bool member = false;
    uint32_t crc = 0;
    uint32_t size = 0;
};
MemberTrailer ReadMemberTrailer(const QByteArray& member);

// A stored name reduced to a plain file name: no folder parts, no characters a file system
// refuses, never "." or "..", never empty; so writing it into a folder stays in that folder.
QString PlainFileName(const QByteArray& storedName);

// The name with " (n)" before its extension (after the last dot that is not the first character)
// for n > 1, the name itself for n = 1; either shortened so that its UTF-8 form fits a file name
// of the file system (255 bytes).
QString NumberedFileName(const QString& name, int n);

// Distinct file names within one folder, letter case ignored (names travel to Windows): the first
// of a name keeps it, later ones get " (2)", " (3)" … (NumberedFileName). Each name remembers the
// next number to try, so thousands of equal names take linear time.
class DistinctFileNames {
public:
    explicit DistinctFileNames(const QStringList& taken = {});
    QString take(const QString& plain);

private:
    QSet<QString> taken_;          // lower case
    QHash<QString, int> nextOf_;   // lower-case plain name → the next number to try
};

} // namespace talvena
