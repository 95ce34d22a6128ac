#pragma once
// What the user reads when opening, saving or unpacking a passport fails: the engine's exact message, then
// on a second line a Russian sentence that names the file and what could not be done.
#include <QString>

namespace talvena {

enum class PassportOperation { Open, Save, Export };

QString passportErrorText(PassportOperation operation, const QString& fileName, const QString& engineMessage);

} // namespace talvena
