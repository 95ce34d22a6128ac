#include "app/passport_lifecycle.h"

#include "gui/error_handler.h"
#include "app/main_window.h"
#include "gui/user_interaction.h"
#include "dialogs/loading_form.h"
#include "model/data_module.h"

#include <QCoreApplication>

namespace talvena {

namespace {

void letWindowRepaint() { QCoreApplication::processEvents(); }

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
    : window_(window), dm_(dataModule), ui_(interaction)
{
}

void PassportLifecycle::openPassport(const QString& fileName)
{
    if (dm_.state().loading()) return; // a second open while a file is being read does nothing
    LoadingFlag loading(dm_.state());
    bool fileRead = false;
    {
        ProgressFormScope progress(QStringLiteral("Загрузка ..."), &window_);
        QString name = fileName;
        if (name.isEmpty()) name = ui_.openFileName(QString::fromUtf8(kOpenTitle), QString::fromUtf8(kFilter), dialogFile_);
        if (!name.isEmpty()) {
            dialogFile_ = name;
            // A failed open is shown and stops here: the caption, the tables and the modified flag
            // stay as they were.
            if (!RunGuarded([&] { dm_.LoadPassport(name, letWindowRepaint); })) return;
            fileRead = true;
            window_.setWindowTitle(QStringLiteral("Редактирование паспорта: ") + dm_.state().fileName());
        }
        window_.postSelectInnerPage(0);
        window_.postSelectOuterPage(0);
    }
    letWindowRepaint();
    afterOpen(fileRead);
}

void PassportLifecycle::afterOpen(bool fileRead)
{
    // The page rules run once over what was read; their errors are of no concern here.
    try {
        dm_.PASPORTS.edit();
        window_.JvDBLookupCombo7Change();
        window_.JvDBLookupCombo10Change();
        window_.JvDBLookupCombo13Change();
        window_.JvDBLookupCombo5Change();
        window_.JvDBLookupCombo6Change();
        window_.UpdateGeoDopEdits();
    } catch (const std::exception&) {
    }
    letWindowRepaint();
    // A cancelled dialog leaves the flag as it was: nothing was read.
    if (fileRead) dm_.state().setModified(false);
}

void PassportLifecycle::savePassport(bool saveAs)
{
    ProgressFormScope progress(QStringLiteral("Сохранение ..."), &window_);
    RunGuarded([&] {
        dm_.CommitPendingEdits();
        dm_.POSIB_PRODUCT_HOR.setFiltered(false);
        QString name = dm_.state().fileName();
        if (name.isEmpty() || saveAs) {
            name = ui_.saveFileName(QString::fromUtf8(kSaveTitle), QString::fromUtf8(kFilter), dialogFile_,
                                    QStringLiteral("psp"));
            if (name.isEmpty()) return; // cancelled: nothing written, the modified flag as it was
        }
        dm_.SavePassport(name, letWindowRepaint);
        dialogFile_ = name;
        dm_.state().setModified(false);
    });
}

bool PassportLifecycle::closeQuery()
{
    if (!RunGuarded([&] { dm_.CommitPendingEdits(); })) return false;
    if (!ui_.askYesNo(BoxCaption::Warning, QStringLiteral("Вы действительно хотите выйти из программы?"))) return false;
    if (!dm_.state().modified()) return true;
    if (!ui_.askYesNo(BoxCaption::Warning, QStringLiteral("Вы не сохранили паспорт. Сохранить?"))) return true;
    savePassport(false);
    return false; // the user leaves by closing again
}

} // namespace talvena
