#pragma once
// Qt's own texts (file dialog labels and buttons, the replace-file question, standard buttons) in
// Russian, from the translations Qt ships (Debian package qt6-translations-l10n).
class QTranslator;

namespace talvena {

// Loads "qtbase_ru" from Qt's translations folder and installs it on the application. Returns the
// installed translator (owned by the application), or nullptr when the file is missing.
QTranslator* installQtTranslations();

} // namespace talvena
