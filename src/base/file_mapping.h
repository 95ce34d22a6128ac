#pragma once
// A file opened without copying it: its bytes are a private, read-only mapping of the file,
// handed out as a QByteArray whose slices (SharedSlice) share the mapping. The mapping lives as
// long as any of those arrays does; a slice that is changed detaches into memory of its own as
// every shared QByteArray does, so the file is never written through it.
//
// Replacing the file by renaming another over its name (as every save does) leaves the mapped
// bytes as they were: the mapping holds the old inode, which the system keeps, with its data,
// until the last mapping and descriptor of it are gone, however its names change.
//
// Another program may still truncate or rewrite the file itself. Touching a page beyond the new
// end would raise SIGBUS; a handler installed with the first mapping turns such a page and the rest
// of that mapping into zero pages and marks the mapping spoilt, so the program goes on. Whoever
// is about to use mapped bytes for something that lasts (a save, an attachment written out)
// calls CheckMappedBytes before and after: it fails with a clear message when the file's size or
// modification time differ from those at mapping time or a page was lost, so nothing written
// from changed bytes is ever put in place.
#include "base/error.h"

#include <QByteArray>
#include <QString>

namespace talvena {

// The error of CheckMappedBytes: it explains a failure better than the write that ran into the
// missing pages (the system refuses to write from them).
class MappedFileChangedError : public Error {
public:
    using Error::Error;
};

// The file's bytes, mapped; a file that cannot be mapped (an empty file, a special file, a file
// system without mappings) is read into memory instead. "Cannot open file "%s". %s" when it
// cannot be opened.
QByteArray MapFileBytes(const QString& fileName);

// Throws an error naming the file when the bytes lie in a mapping whose file was changed since
// it was mapped or which lost pages to a truncation; does nothing for other bytes.
void CheckMappedBytes(const QByteArray& bytes);

// Lets the system take back the whole pages of mapped bytes that were just copied out (a save,
// an attachment written out): mapped in, they count to the process's memory like its own; they
// are read from the file again when touched later. Does nothing for other bytes.
void ReleaseMappedPages(const QByteArray& bytes);

// Whether the bytes lie in a mapped file (for tests and diagnostics).
bool IsMappedBytes(const QByteArray& bytes);

// Unmaps the mappings that no array uses any more (done also by each MapFileBytes); returns how
// many are still mapped.
int ReleaseUnusedMappings();

} // namespace talvena
