#pragma once
// The passport commands of the main menu that live outside the window: opening, saving, the
// unpacked export, the About box and the close query. The window calls them from its menu slots
// and its queued open message; until a set is installed those menu items do nothing and the
// window closes without asking.
#include <QString>

namespace talvena {

class PassportCommands {
public:
    virtual ~PassportCommands() = default;

    // "&Открыть" with an empty name (the command asks for the file), or the file named on the
    // command line.
    virtual void openPassport(const QString& fileName) = 0;
    // "Создать": an empty passport as at start, after asking to save a modified one.
    virtual void newPassport() {}
    // "&Сохранить" (saveAs false) and "Сохранить &как ..." (saveAs true); true when the passport
    // was written.
    virtual bool savePassport(bool saveAs) = 0;
    // "Сохранить &распакованный паспорт".
    virtual void exportUnpackedPassport() = 0;
    // "О программе ...": shows the About box; true when the program should close (an update was
    // started).
    virtual bool showAbout() = 0;
    // Asked whenever the main window is about to close; false keeps it open.
    virtual bool closeQuery() = 0;
};

} // namespace talvena
