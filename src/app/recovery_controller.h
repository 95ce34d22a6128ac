#pragma once
// The window's recovery copy: while the passport has unsaved changes, a copy of it is written in
// the background (RecoveryWriter) at most once per interval; it goes when the changes are saved or
// dropped. At start, the copies of a program that was killed are offered back.
#include "model/recovery_copies.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

namespace talvena {

class TDataModule2;
class UserInteraction;

class RecoveryController : public QObject {
public:
    RecoveryController(TDataModule2& dataModule, UserInteraction& interaction,
                       const QString& folder = DefaultRecoveryFolder(), int intervalMs = RecoveryIntervalMs());
    ~RecoveryController() override;

    // The passport's changes were saved or dropped, or another passport replaced it: its copy goes.
    void discard();
    // Writes a copy when the passport is modified and changed since the last copy, removes the copy
    // when it is no longer modified (the timer's work).
    void check();

    // Opens recovered bytes as the passport of the original file (empty for one never saved);
    // false when it was not opened.
    using OpenRecovered = std::function<bool(const QByteArray& bytes, const QString& originalPath)>;
    // Asks about each copy a program that no longer runs left, newest first, until one is opened:
    // Да opens it (and this window's copy takes its place), Нет removes it, Позже keeps it.
    void offerAbandonedCopies(const OpenRecovered& open);

    RecoveryWriter& writer() { return writer_; }

    static constexpr const char* kQuestion =
        "Работа программы была прервана. Восстановить несохранённые изменения паспорта «%1» от %2?";
    static constexpr const char* kUnnamed = "Новый паспорт";

private:
    TDataModule2& dm_;
    UserInteraction& ui_;
    RecoveryWriter writer_;
    QTimer timer_;
    std::array<uint64_t, 10> copiedStamps_{}; // the tables' contents the last copy was taken of
    bool copyKept_ = false;
    QString lastError_;
};

} // namespace talvena
