#pragma once
// The passport's life in the main window: opening (from the menu or the command line), saving
// under its name or a new one, and the question before the program closes.
#include "app/passport_commands.h"

#include <QString>

namespace talvena {

class TDataModule2;
class TMainForm;
class UserInteraction;

class PassportLifecycle : public PassportCommands {
public:
    PassportLifecycle(TMainForm& window, TDataModule2& dataModule, UserInteraction& interaction);

    void openPassport(const QString& fileName) override;
    void savePassport(bool saveAs) override;
    void exportUnpackedPassport() override {}
    bool showAbout() override;
    bool closeQuery() override;

    static constexpr const char* kOpenTitle = "Загрузка файла паспорта";
    static constexpr const char* kSaveTitle = "Сохранить файл паспорта";
    static constexpr const char* kFilter = "Файлы паспортов (*.psp);;Все файлы (*.*)";

private:
    void afterOpen(bool fileRead);

    TMainForm& window_;
    TDataModule2& dm_;
    UserInteraction& ui_;
    QString dialogFile_; // the file name both passport dialogs propose next
};

} // namespace talvena
