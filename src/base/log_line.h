#pragma once
// The start-up log: one line per start, appended to a file in the temporary folder.
#include <QByteArray>
#include <QString>

namespace talvena {

// $TMPDIR (or /tmp when unset or empty), a "/" when it does not end in one, then "Talvena.log".
QString logFilePath();

// Appends "[dd.MM.yyyy hh:mm:ss]" (local time) + text + CR LF to `path`, creating the file when
// missing. Every failure is silent: the log must never stop the program.
void WriteLogLine(const QByteArray& text, const QString& path);

} // namespace talvena
