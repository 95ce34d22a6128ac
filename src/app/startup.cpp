#include "app/startup.h"

#include "app/dialog_value_pickers.h"
#include "gui/error_handler.h"
#include "gui/help_file.h"
#include "app/main_window.h"
#include "app/passport_lifecycle.h"
#include "app/passport_lock_keeper.h"
#include "app/recovery_controller.h"
#include "app/program_icon.h"
#include "gui/qt_translations.h"
#include "gui/qt_user_interaction.h"
#include "app/talvena_application.h"
#include "base/startup_settings.h"
#include "model/data_module.h"

#include <QLocale>
#include <QTimer>
#include <cstdio>

namespace talvena {

bool windowSystemAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name)) return true;
    return false;
}

int RunTalvena(int argc, char** argv)
{
    initUtilityLayer();
    if (!windowSystemAvailable()) {
        std::fputs("Талвена: нет графического дисплея (не заданы DISPLAY и WAYLAND_DISPLAY); "
                   "программе нужен оконный интерфейс.\n"
                   "Talvena needs a window system: set DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM.\n",
                   stderr);
        return 2;
    }

    // Numbers are formatted and read by our own functions with a point; anything Qt formats on
    // its own follows the C conventions, so it cannot bring in a comma.
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(numbers);

    TalvenaApplication app(argc, argv);
    QApplication::setWindowIcon(programIcon());
    app.setProperty("helpFile", QLatin1String(HelpFile::kFileName));
    if (!installQtTranslations())
        std::fputs("Талвена: нет русского перевода Qt (пакет qt6-translations-l10n); диалоги Qt будут на английском.\n",
                   stderr);

    QtUserInteraction interaction;
    installUserInteraction(&interaction);

    int exitCode = 0;
    {
        TDataModule2 dataModule;
        RunGuarded([&] { dataModule.DataModuleCreate(QCoreApplication::applicationDirPath()); });

        QStringList arguments = QCoreApplication::arguments();
        if (!arguments.isEmpty()) arguments.removeFirst();
        TMainForm window(dataModule, interaction, arguments);
        interaction.setParentWindow(&window);
        DialogValuePickers pickers(dataModule, &window);
        window.setPickers(&pickers);
        PassportLifecycle lifecycle(window, dataModule, interaction);
        PassportLockKeeper locks(interaction);
        lifecycle.setLocks(&locks);
        RecoveryController recovery(dataModule, interaction);
        lifecycle.setRecovery(&recovery);
        window.setCommands(&lifecycle);
        window.showMaximized();
        // What a killed program left is offered once the window shows (after the file named on
        // the command line was opened).
        QTimer::singleShot(0, &window, [&] {
            recovery.offerAbandonedCopies(
                [&](const QByteArray& bytes, const QString& original) { return lifecycle.openRecovered(bytes, original); });
        });
        exitCode = QApplication::exec();
        interaction.setParentWindow(nullptr);
    }
    installUserInteraction(nullptr);
    return exitCode;
}

} // namespace talvena
