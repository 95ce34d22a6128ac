#pragma once
// The passport's life in the main window: opening (from the menu or the command line), saving
// under its name or a new one, and the question before the program closes.
#include "app/passport_commands.h"
#include "app/passport_error_text.h"

#include <QString>
#include <functional>
#include <memory>

namespace talvena {

class PassportLockKeeper;
class RecoveryController;
class StartingPassport;
class TDataModule2;
class TMainForm;
class UserInteraction;

class PassportLifecycle : public PassportCommands {
public:
    // Takes the passport the window shows now as the one "Создать" starts again.
    PassportLifecycle(TMainForm& window, TDataModule2& dataModule, UserInteraction& interaction);
    ~PassportLifecycle() override;

    void newPassport() override;
    void openPassport(const QString& fileName) override;
    bool savePassport(bool saveAs) override;
    void exportUnpackedPassport() override;
    bool showAbout() override;
    bool closeQuery() override;

    // The lock of the open passport and its recovery copy follow what these commands do.
    void setLocks(PassportLockKeeper* locks) { locks_ = locks; }
    void setRecovery(RecoveryController* recovery) { recovery_ = recovery; }
    // Opens the bytes of a recovery copy as the passport of its original file (empty: one never
    // saved), modified; false when it was not opened.
    bool openRecovered(const QByteArray& bytes, const QString& originalPath);

    static constexpr const char* kOpenTitle = "Загрузка файла паспорта";
    static constexpr const char* kSaveTitle = "Сохранить файл паспорта";
    static constexpr const char* kFilter = "Файлы паспортов (*.psp);;Все файлы (*.*)";
    static constexpr const char* kUnsavedQuestion = "Вы не сохранили паспорт. Сохранить?";
    static constexpr const char* kOpenDamagedQuestion = "Открыть то, что удалось прочитать?";
    static constexpr const char* kExportFolderTitle = "Выбор каталога для распакованного паспорта";
    static constexpr const char* kNewCaption = "Создание паспорта";

private:
    // Unsaved changes are offered for saving before another passport replaces them; false when
    // the user cancelled or the save failed.
    bool mayReplacePassport();
    void afterOpen(bool fileRead);
    // "Редактирование паспорта: <file>", and whether it is read-only.
    void showFileCaption();
    void discardRecoveryCopy();
    // Runs one file operation of the engine; its error comes back as the text to show, with the
    // line that names the operation and the file.
    QString failureOf(PassportOperation operation, const QString& fileName, const std::function<void()>& run);

    TMainForm& window_;
    TDataModule2& dm_;
    UserInteraction& ui_;
    QString dialogFile_;   // the file name both passport dialogs propose next
    QString exportFolder_; // the folder the unpacked passport went into last
    std::unique_ptr<StartingPassport> starting_;
    PassportLockKeeper* locks_ = nullptr;
    RecoveryController* recovery_ = nullptr;
};

} // namespace talvena
