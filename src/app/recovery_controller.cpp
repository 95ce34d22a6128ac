#include "app/recovery_controller.h"

#include "gui/error_handler.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"

#include <QFileInfo>
#include <cstdio>

namespace talvena {

namespace {

std::array<uint64_t, 10> contentStamps(TDataModule2& dm)
{
    std::array<uint64_t, 10> stamps{};
    const PassportTableList tables = dm.passportTables();
    for (size_t i = 0; i < tables.size(); ++i) {
        stamps[2 * i] = tables[i]->contentStamp();
        stamps[2 * i + 1] = tables[i]->valueGeneration();
    }
    return stamps;
}

// Unsaved work: posted changes, or typing into a record not yet posted (the form's record stays
// in edit until the passport is saved).
bool unsavedChanges(TDataModule2& dm)
{
    if (dm.state().modified()) return true;
    for (RecordTable* t : dm.passportTables())
        if (t->pendingChanges()) return true;
    return false;
}

} // namespace

RecoveryController::RecoveryController(TDataModule2& dataModule, UserInteraction& interaction, const QString& folder,
                                       int intervalMs)
    : dm_(dataModule), ui_(interaction), writer_(folder)
{
    // A copy that cannot be written is said once on standard error, not every interval.
    writer_.onWritten = [this](const QString& error) {
        QMetaObject::invokeMethod(
            this,
            [this, error] {
    if (!error.isEmpty() && error != lastError_)
                    std::fprintf(stderr, "Талвена: копия для восстановления не записана: %s\n", qUtf8Printable(error));
                lastError_ = error;
            },
            Qt::QueuedConnection);
    };
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { check(); });
    timer_.start();
}

RecoveryController::~RecoveryController()
{
    timer_.stop();
    writer_.wait();
    writer_.onWritten = nullptr;
}

void RecoveryController::discard()
{
    writer_.remove();
    copyKept_ = false;
    copiedStamps_ = {};
}

void RecoveryController::check()
{
    if (dm_.state().loading()) return;
    if (!unsavedChanges(dm_)) {
        if (copyKept_) discard();
        return;
    }
    const std::array<uint64_t, 10> stamps = contentStamps(dm_);
    if (copyKept_ && stamps == copiedStamps_) return;
    std::shared_ptr<PassportSnapshot> snapshot;
    // Taking the snapshot only copies the tables' columns; serializing, compressing and writing
    // happen on the writer's thread.
    if (!RunGuarded([&] { snapshot = PassportSnapshot::capture(dm_); })) return;
    writer_.write(std::move(snapshot), dm_.state().fileName(), QDateTime::currentDateTimeUtc());
    copiedStamps_ = stamps;
    copyKept_ = true;
}

void RecoveryController::offerAbandonedCopies(const OpenRecovered& open)
{
    for (const RecoveryCopy& copy : AbandonedRecoveryCopies(writer_.folder())) {
        const QString name =
            copy.originalPath.isEmpty() ? QString::fromUtf8(kUnnamed) : QFileInfo(copy.originalPath).fileName();
        const QString when = copy.time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        const BoxAnswer answer = ui_.messageBox(BoxCaption::Confirmation, QString::fromUtf8(kQuestion).arg(name, when),
                                                BoxIcon::Question, BoxButtons::YesNoLater);
        if (answer == BoxAnswer::No) {
            RemoveRecoveryCopy(copy);
            continue;
        }
        if (answer != BoxAnswer::Yes) continue; // Позже: kept for the next start
        QByteArray bytes;
        try {
            bytes = ReadRecoveryCopy(copy);
        } catch (const std::exception& e) {
            ui_.showError(QString::fromUtf8(e.what()));
            continue;
        }
        if (!open(bytes, copy.originalPath)) continue;
        // The copy is this window's work now: it goes once the window's own copy is written.
        writer_.adopt(copy);
        check();
        return;
    }
}

} // namespace talvena
