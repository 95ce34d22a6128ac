#pragma once
// The user-facing reason why a file could not be opened, read or written, in Russian like every
// text the user sees, whatever the system's own wording.
#include <QFile>
#include <QString>

namespace talvena {

// The reason of the last error of a file or save file.
QString fileErrorReason(const QFileDevice& file);

// The Russian reason for an error text of the system or of Qt (errorString() of a file, a
// temporary folder, ...); empty when the text is not one of the known file errors.
QString systemTextReason(const QString& text);

// Why a file could not be opened for reading: a missing file or a folder is named as such.
QString fileOpenFailureReason(const QFile& file);

// The Russian reason for a system error number (errno) of a file operation.
QString systemErrorReason(int code);

// Throws "Cannot open file "%s". %s" with the file name and the reason.
[[noreturn]] void throwCannotOpenFile(const QFile& file);

} // namespace talvena
