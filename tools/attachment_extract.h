#pragma once
// Writing every attachment of a passport into one folder, each under its stored name reduced to a
// plain file name, so that nothing is written outside the folder.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace talvena {

class RecordTable;

struct ExtractResult {
    QStringList written;       // paths of the files written, in stored order
    QList<QByteArray> skipped; // stored names (CP1251) of attachments without content
};

// Creates the folder when missing. Two attachments whose names reduce to the same file name (letter
// case ignored) do not overwrite each other: the later one gets " (2)", " (3)" … before its
// extension. A file already in the folder from before is replaced; a symbolic link there is
// replaced by a file rather than followed. `onWritten` hears of each file as soon as it is written,
// so a failure part-way still leaves an account of what was written.
ExtractResult ExtractAttachments(RecordTable& files, const QString& folder,
                                 const std::function<void(const QString& path)>& onWritten = {});

// The name with " (n)" before its extension (after the last dot that is not the first character),
// shortened so that its UTF-8 form fits a file name of the file system (255 bytes).
QString NumberedFileName(const QString& name, int n);

} // namespace talvena
