#pragma once
// The lock the window holds on the passport it edits (see PassportLock): taken before a file is
// opened or saved under a new name, kept while the passport is open, given up when another one
// replaces it or the program ends. A passport another live program holds opens only read-only,
// after asking: it can then be saved under another name only.
#include "storage/passport_lock.h"

#include <QString>

namespace talvena {

class UserInteraction;

class PassportLockKeeper {
public:
    explicit PassportLockKeeper(UserInteraction& interaction) : ui_(interaction) {}

    enum class Access { Edit, ReadOnly, Cancel };
    // Before the file is opened: takes its lock, or asks whether to open it read-only when a live
    // program holds it. The lock held so far stays until opened() or dropped().
    Access prepareOpen(const QString& file);
    // Before the passport is written to the file: takes its lock when it can (when another program
    // holds it, the save itself refuses the file).
    void prepareSave(const QString& file);
    // The file prepared last is now the passport's: its lock replaces the one held before.
    void taken();
    // The open or save of the file prepared last failed or was cancelled: nothing changes.
    void dropped();
    // No file is open any more (a new passport).
    void releaseAll();

    // The passport was opened read-only: saving it means choosing another file.
    bool readOnly() const { return readOnly_; }

    static constexpr const char* kReadOnlyQuestion =
        "Открыть паспорт только для чтения? Сохранить его можно будет только под другим именем.";
    static constexpr const char* kReadOnlyCaption = " (только для чтения)";

private:
    UserInteraction& ui_;
    PassportLock current_;
    QString currentFile_;
    PassportLock next_;
    QString nextFile_;
    bool readOnly_ = false;
    bool nextReadOnly_ = false;
    bool reopening_ = false; // the file prepared is the one whose lock is held already
};

} // namespace talvena
