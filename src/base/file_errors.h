#pragma once
// The user-facing reason why a file could not be opened, in Russian like every text the user sees.
#include <QFile>
#include <QString>

namespace talvena {

QString fileOpenFailureReason(const QFile& file);

// The Russian reason for a system error number (errno) of a file operation.
QString systemErrorReason(int code);

// Throws "Cannot open file "%s". %s" with the file name and the reason.
[[noreturn]] void throwCannotOpenFile(const QFile& file);

} // namespace talvena
