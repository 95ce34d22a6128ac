#pragma once
// talvena-psp set PASSPORT FIELD=VALUE...: values of the passport record typed in as on the form,
// each with the rules it sets off, in the order given; the passport is then saved in place,
// atomically. Nothing is saved when a value is refused.
#include <QString>
#include <vector>

namespace talvena {

// Returns the exit code: 0 done, 2 wrong usage; a refused value or a failed save throws.
int SetCommand(const std::vector<char*>& args, const QString& dictionaryFolder);

} // namespace talvena
