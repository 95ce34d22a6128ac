#pragma once
// Writing a whole file so that it is either complete or not there: the bytes go to a temporary
// file beside the target, which replaces the target only after every byte was written and synced.
#include <QByteArray>
#include <QString>

namespace talvena {

// Throws FileCreateError ("Cannot create file "%s". %s", with a Russian reason) when the file
// cannot be created, and FileWriteError ("Stream write error") when writing or replacing the
// target fails; the target is then as before. A symbolic link under the target's name is
// replaced, never written through: a file written into a folder stays in that folder.
void WriteWholeFile(const QString& path, const QByteArray& bytes);

} // namespace talvena
