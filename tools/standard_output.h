#pragma once
// Standard output that never fails silently. On a full disk or a closed pipe a command's output
// would be cut short while it still reported success; every write goes through here instead, and
// a failed one throws StandardOutputError, which the command turns into a message on standard
// error and exit code 1.
#include <QByteArray>
#include <stdexcept>

namespace talvena {

class StandardOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the bytes to standard output; `flush` pushes them out at once (a line of a list that
// must be on record even if the command fails later).
void PrintOut(const QByteArray& bytes, bool flush = false);

// Pushes out whatever is buffered and checks that no earlier write failed.
void FinishOut();

} // namespace talvena
