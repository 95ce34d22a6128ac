#include "app/passport_lifecycle.h"

#include "gui/error_handler.h"
#include "app/main_window.h"
#include "app/passport_lock_keeper.h"
#include "app/recovery_controller.h"
#include "app/recent_files.h"
#include "model/starting_passport.h"
#include "gui/user_interaction.h"
#include "dialogs/loading_form.h"
#include "model/data_module.h"
#include "table/filter_pause.h"

#include <QCoreApplication>
#include <optional>

namespace talvena {

namespace {

void letWindowRepaint() { QCoreApplication::processEvents(); }

const QString kCaptionWithFile = QStringLiteral("Редактирование паспорта: ");

// The loading flag spans exactly one open command, also when it fails.
class LoadingFlag {
public:
    explicit LoadingFlag(PassportState& s) : state_(s) { state_.setLoading(true); }
    ~LoadingFlag() { state_.setLoading(false); }

private:
    PassportState& state_;
};

} // namespace

PassportLifecycle::PassportLifecycle(TMainForm& window, TDataModule2& dataModule, UserInteraction& interaction)
    : window_(window), dm_(dataModule), ui_(interaction), starting_(std::make_unique<StartingPassport>(dataModule))
{
}

PassportLifecycle::~PassportLifecycle() = default;

void PassportLifecycle::newPassport()
{
    if (dm_.state().loading()) return;
    if (!mayReplacePassport()) return;
    // Starting over is no edit: the history starts with the new passport.
    dm_.journal().suspend();
    const bool restored = RunGuarded([&] { starting_->restore(); });
    dm_.journal().resume();
    if (!restored) return;
    dm_.journal().clear();
    if (locks_) locks_->releaseAll();
    discardRecoveryCopy();
    window_.setWindowTitle(QString::fromUtf8(kNewCaption));
    RunGuarded([this] { window_.BuildFileLists(); });
    window_.postSelectInnerPage(0);
    window_.postSelectOuterPage(0);
    letWindowRepaint();
    afterOpen(true); // the page rules as after a read, and nothing modified
    window_.focusFirstControl();
}

QString PassportLifecycle::failureOf(PassportOperation operation, const QString& fileName,
                                     const std::function<void()>& run)
{
    try {
        run();
    } catch (const std::exception& e) {
        return passportErrorText(operation, fileName, QString::fromUtf8(e.what()));
    }
    return {};
}

bool PassportLifecycle::mayReplacePassport()
{
    if (!RunGuarded([&] { dm_.CommitPendingEdits(); })) return false;
    if (!dm_.state().modified()) return true;
    switch (ui_.askYesNoCancel(BoxCaption::Warning, QString::fromUtf8(kUnsavedQuestion))) {
    case BoxAnswer::Yes: return savePassport(false);
    case BoxAnswer::No: discardRecoveryCopy(); return true;
    default: return false;
    }
}

void PassportLifecycle::openPassport(const QString& fileName)
{
    if (dm_.state().loading()) return; // a second open while a file is being read does nothing
    if (!mayReplacePassport()) return;
    bool fileRead = false;
    QString failure;
    {
        LoadingFlag loading(dm_.state());
        std::optional<ProgressFormScope> progress(std::in_place, QStringLiteral("Загрузка ..."), &window_);
        QString name = fileName;
        if (name.isEmpty()) name = ui_.openFileName(QString::fromUtf8(kOpenTitle), QString::fromUtf8(kFilter), dialogFile_);
        // A passport another program edits opens read-only, or not at all.
        if (!name.isEmpty() && locks_) {
            if (OtherLiveLockOwner(name)) progress.reset(); // the question comes without it
            if (locks_->prepareOpen(name) == PassportLockKeeper::Access::Cancel) name.clear();
            else if (!progress) progress.emplace(QStringLiteral("Загрузка ..."), &window_);
        }
        if (!name.isEmpty()) {
            dialogFile_ = name;
            // A damaged file opens only when the user says so; the question comes after the
            // whole file was read, with nothing changed yet and the progress form gone.
            const auto openDamaged = [&](const PassportReadReport& report) {
                progress.reset();
                return ui_.messageBox(BoxCaption::Warning,
                                      DescribePassportDamage(report) + '\n' + QString::fromUtf8(kOpenDamagedQuestion),
                                      BoxIcon::Question, BoxButtons::YesNoDefaultNo) == BoxAnswer::Yes;
            };
            failure = failureOf(PassportOperation::Open, name,
                                [&] { fileRead = dm_.LoadPassport(name, letWindowRepaint, openDamaged); });
            fileRead = fileRead && failure.isEmpty();
            if (locks_) fileRead ? locks_->taken() : locks_->dropped();
            if (fileRead) {
                discardRecoveryCopy();
                showFileCaption();
                window_.recentFiles().add(name);
            }
        }
        if (failure.isEmpty() && (fileRead || name.isEmpty())) {
            RunGuarded([this] { window_.BuildFileLists(); });
            window_.postSelectInnerPage(0);
            window_.postSelectOuterPage(0);
            progress.reset();
            letWindowRepaint();
            afterOpen(fileRead);
        }
    }
    // A file that ended before some tables opened without them; the next save would make that
    // permanent, so the user hears of it once the window shows what was read.
    if (fileRead && failure.isEmpty() && !dm_.missingTablesWarning().isEmpty())
        ui_.messageBox(BoxCaption::Warning, dm_.missingTablesWarning(), BoxIcon::Warning, BoxButtons::Ok);
    // The progress form is gone before the error is shown. A failed open stops here: the caption,
    // the tables and the modified flag stay as they were.
    if (!failure.isEmpty()) ui_.showError(failure);
}

void PassportLifecycle::afterOpen(bool fileRead)
{
    // The page rules run once over what was read; their errors are of no concern here.
    try {
        dm_.PASPORTS.edit();
        window_.runPageHandler(PageHandler::JvDBLookupCombo7Change);
        window_.runPageHandler(PageHandler::JvDBLookupCombo10Change);
        window_.runPageHandler(PageHandler::JvDBLookupCombo13Change);
        window_.runPageHandler(PageHandler::JvDBLookupCombo5Change);
        window_.runPageHandler(PageHandler::JvDBLookupCombo6Change);
        window_.UpdateGeoDopEdits();
    } catch (const std::exception&) {
    }
    letWindowRepaint();
    // A cancelled dialog leaves the flag as it was: nothing was read.
    if (fileRead) dm_.state().setModified(false);
}

bool PassportLifecycle::savePassport(bool saveAs)
{
    QString failure;
    bool saved = false;
    // The page that showed filtered horizons shows them so again after the save.
    std::optional<FilterPause> allHorizons;
    {
        std::optional<ProgressFormScope> progress(std::in_place, QStringLiteral("Сохранение ..."), &window_);
        QString name;
        bool asked = false;
        const bool committed = RunGuarded([&] {
            dm_.CommitPendingEdits();
            allHorizons.emplace(dm_.POSIB_PRODUCT_HOR);
            name = dm_.state().fileName();
            // A passport opened read-only is saved under another name only.
            asked = name.isEmpty() || saveAs || (locks_ && locks_->readOnly());
            if (asked)
                name = ui_.saveFileName(QString::fromUtf8(kSaveTitle), QString::fromUtf8(kFilter), dialogFile_,
                                        QStringLiteral("psp"));
        });
        // Cancelled: nothing written, the modified flag as it was.
        if (committed && !name.isEmpty()) {
            if (locks_) locks_->prepareSave(name);
            failure = failureOf(PassportOperation::Save, name, [&] { dm_.SavePassport(name, letWindowRepaint); });
            saved = failure.isEmpty();
            if (locks_) saved ? locks_->taken() : locks_->dropped();
        }
        if (saved) {
            dialogFile_ = name;
            window_.recentFiles().add(name);
            dm_.state().setModified(false);
            discardRecoveryCopy();
            // From now on Save writes to the file just chosen (also the first one of a new
            // passport), and the caption says so.
            if (asked) showFileCaption();
        }
    }
    allHorizons.reset();
    if (!failure.isEmpty()) ui_.showError(failure);
    return saved;
}

bool PassportLifecycle::closeQuery()
{
    if (!RunGuarded([&] { dm_.CommitPendingEdits(); })) return false;
    if (!ui_.askYesNo(BoxCaption::Warning, QStringLiteral("Вы действительно хотите выйти из программы?"))) return false;
    if (!dm_.state().modified()) return true;
    switch (ui_.askYesNoCancel(BoxCaption::Warning, QString::fromUtf8(kUnsavedQuestion))) {
    case BoxAnswer::Yes: savePassport(false); return false; // the user leaves by closing again
    case BoxAnswer::No: discardRecoveryCopy(); return true;
    default: return false; // Cancel or Escape: the program stays
    }
}

void PassportLifecycle::showFileCaption()
{
    QString caption = kCaptionWithFile + dm_.state().fileName();
    if (locks_ && locks_->readOnly()) caption += QString::fromUtf8(PassportLockKeeper::kReadOnlyCaption);
    window_.setWindowTitle(caption);
}

void PassportLifecycle::discardRecoveryCopy()
{
    if (recovery_) recovery_->discard();
}

bool PassportLifecycle::openRecovered(const QByteArray& bytes, const QString& originalPath)
{
    if (dm_.state().loading() || !mayReplacePassport()) return false;
    if (!originalPath.isEmpty() && locks_ && locks_->prepareOpen(originalPath) == PassportLockKeeper::Access::Cancel)
        return false;
    bool read = false;
    QString failure;
    {
        LoadingFlag loading(dm_.state());
        ProgressFormScope progress(QStringLiteral("Загрузка ..."), &window_);
        // A copy that does not read whole is refused, never opened as far as it goes.
        failure = failureOf(PassportOperation::Open, originalPath,
                            [&] { read = dm_.LoadPassportBytes(bytes, originalPath, letWindowRepaint); });
    }
    read = read && failure.isEmpty();
    if (locks_) {
        if (!read) locks_->dropped();
        else if (originalPath.isEmpty()) locks_->releaseAll();
        else locks_->taken();
    }
    if (!read) {
        ui_.showError(failure);
        return false;
    }
    if (originalPath.isEmpty()) window_.setWindowTitle(QString::fromUtf8(kNewCaption));
    else showFileCaption();
    RunGuarded([this] { window_.BuildFileLists(); });
    window_.postSelectInnerPage(0);
    window_.postSelectOuterPage(0);
    letWindowRepaint();
    afterOpen(true);
    // What was recovered is not saved anywhere yet, nor is any state undo leads back to.
    dm_.journal().markNothingSaved();
    dm_.state().setModified(true);
    return true;
}

} // namespace talvena
