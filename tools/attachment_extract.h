#pragma once
// Writing every attachment of a passport into one folder, each under its stored name reduced to a
// plain file name, so that nothing is written outside the folder.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace talvena {

class RecordTable;

struct ExtractFailure {
    QString path;
    QString message; // the error's message and, when known, the Russian reason
};

struct ExtractResult {
    QStringList written;            // paths of the files written, in stored order
    QStringList damaged;            // of those, the ones whose stored member is damaged (written as far as it decodes)
    QList<QByteArray> skipped;      // stored names (CP1251) of attachments without content
    QList<ExtractFailure> failed;   // files that could not be written; the others still were

    bool complete() const { return damaged.isEmpty() && failed.isEmpty(); }
};

// Creates the folder when missing. Two attachments whose names reduce to the same file name (letter
// case ignored) do not overwrite each other: the later one gets " (2)", " (3)" … before its
// extension. Each file is written to a temporary file in the folder and renamed into place, so
// whatever stood under its name before (a file, a hard or symbolic link, a FIFO or a device) is
// replaced and never written through or opened; a folder in the way is a failure of that file.
// `onWritten` hears of each file as soon as it is written, so a failure part-way still leaves an
// account of what was written.
ExtractResult ExtractAttachments(RecordTable& files, const QString& folder,
                                 const std::function<void(const QString& path)>& onWritten = {});

// The text with control characters (and the backslash) written as \xHH escapes, so a printed name
// cannot move the cursor, clear a terminal or fake another line.
QString EscapeControlCharacters(const QString& text);

} // namespace talvena
