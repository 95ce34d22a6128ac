#include "app/passport_lifecycle.h"

#include "app/main_window.h"
#include "base/atomic_file.h"
#include "dialogs/export_type_dialog.h"
#include "dialogs/loading_form.h"
#include "export/export_session.h"
#include "export/unpacked_names.h"
#include "export/unpacked_passport.h"
#include "app/passport_check_command.h"
#include "gui/desktop_shell.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "table/filter_pause.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace talvena {

namespace {

// The window and the progress form stay painted; what the user types or clicks meanwhile is not
// taken, as the export runs inside the menu command.
void keepPainted() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

QString failureText(const std::exception& e, const QString& passportFolder)
{
    QString message = QString::fromUtf8(e.what());
    // "Stream write error" alone does not say which file.
    if (const auto* write = dynamic_cast<const FileWriteError*>(&e))
        message += QStringLiteral("\nФайл «%1»: %2").arg(QDir::toNativeSeparators(write->path()), write->reason());
    return passportErrorText(PassportOperation::Export, passportFolder, message);
}

} // namespace

void PassportLifecycle::exportUnpackedPassport()
{
    bool goOn = false;
    const auto offer = [&] { goOn = window_.passportCheck().offerBefore(QStringLiteral("записью распакованного паспорта")); };
    if (!RunGuarded(offer) || !goOn) return;
    // The Geology page's texts are recomputed first: the export copies them. The totals and the
    // export walk every horizon; the page shows what it showed before afterwards.
    {
        const FilterPause allHorizons(dm_.POSIB_PRODUCT_HOR);
        if (!RunGuarded([&] { window_.TabSheet6Enter(); })) return;
    }
    const std::optional<PreferredProgram> program = ChooseExportProgram(&window_);
    if (!program) return;
    const QByteArray objectName = ExportObjectName(dm_);
    if (objectName.isEmpty()) {
        ui_.showError(QString::fromUtf8(kNoObjectNameMessage));
        return;
    }

    QString failure;
    QStringList damaged;
    QList<UnpackedFailure> failed;
    QString passportFolder;
    {
        ProgressFormScope progress(QStringLiteral("Распаковка ..."), &window_);
        const QString folder = ui_.folderName(QString::fromUtf8(kExportFolderTitle), exportFolder_);
        if (folder.isEmpty()) return;
        exportFolder_ = folder;
        passportFolder = QDir(folder).filePath(PassportFolderName(objectName));

        ExportSessionOptions sessionOptions;
        sessionOptions.whileConverting = keepPainted;
        ExportSession session(sessionOptions);
        UnpackedPassportOptions options;
        options.directory = folder;
        options.program = *program;
        options.layouts = &window_.gridLayouts();
        options.betweenFiles = keepPainted;
        options.notice = [this](const QString& message) { ui_.showError(message); };
        try {
            const FilterPause allHorizons(dm_.POSIB_PRODUCT_HOR);
            const UnpackedPassportResult result = WriteUnpackedPassport(dm_, session, options);
            damaged = result.damaged;
            failed = result.failed;
        } catch (const std::exception& e) {
            failure = failureText(e, passportFolder);
        }
    }
    // The progress form is gone before anything is shown.
    if (!failure.isEmpty()) {
        ui_.showError(failure);
        return;
    }
    if (!failed.isEmpty()) {
        QStringList lines;
        for (const UnpackedFailure& f : failed) lines << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(f.path), f.message);
        ui_.showError(QStringLiteral("Не всё удалось записать; остальное записано:\n") + lines.join(u'\n'));
    }
    if (!damaged.isEmpty()) {
        QStringList names;
        for (const QString& path : damaged) names << QDir::toNativeSeparators(path);
        ui_.showWarning(QStringLiteral("Данные вложенных файлов повреждены, файлы записаны не полностью:\n") +
                        names.join(u'\n'));
    } else if (failed.isEmpty()) {
        const QString done = QStringLiteral("Распакованный паспорт записан в «%1».").arg(QDir::toNativeSeparators(passportFolder));
        if (ui_.messageBox(BoxCaption::Information, done, BoxIcon::Information, BoxButtons::OkOpenFolder) == BoxAnswer::Yes &&
            !openInShell(QUrl::fromLocalFile(passportFolder)))
            ui_.showError(QStringLiteral("Не удалось открыть папку «%1».").arg(QDir::toNativeSeparators(passportFolder)));
    }
}

} // namespace talvena
