#pragma once
// The passport file named on the command line, as a desktop or a shell hands it over.
#include <QString>

namespace talvena {

// A `file://` URL (what desktops pass for a double-clicked file) becomes its local path; a relative
// path is made absolute against the current folder, so the caption and later saves name the same
// file however it was given. A file whose name merely looks like a URL is taken as a name. Anything
// else, the empty argument included, is returned as given.
QString commandLineFileName(const QString& argument);

} // namespace talvena
