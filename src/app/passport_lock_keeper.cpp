#include "app/passport_lock_keeper.h"

#include "gui/user_interaction.h"

namespace talvena {

PassportLockKeeper::Access PassportLockKeeper::prepareOpen(const QString& file)
{
    next_.release();
    nextReadOnly_ = false;
    nextFile_ = file;
    // The passport open now may be opened again: its lock is ours already.
    if (current_.held() && PassportLockPath(file) == PassportLockPath(currentFile_)) {
        reopening_ = true;
        return Access::Edit;
    }
    reopening_ = false;
    if (next_.acquire(file) != PassportLock::Result::LockedByOther) return Access::Edit;
    const QString question = DescribeLockOwner(file, next_.owner()) + '\n' + QString::fromUtf8(kReadOnlyQuestion);
    if (ui_.messageBox(BoxCaption::Warning, question, BoxIcon::Question, BoxButtons::ReadOnlyCancel) != BoxAnswer::Yes)
        return Access::Cancel;
    nextReadOnly_ = true;
    return Access::ReadOnly;
}

void PassportLockKeeper::prepareSave(const QString& file)
{
    next_.release();
    nextReadOnly_ = false;
    reopening_ = current_.held() && PassportLockPath(file) == PassportLockPath(currentFile_);
    if (!reopening_) next_.acquire(file);
    nextFile_ = file;
}

void PassportLockKeeper::taken()
{
    if (!reopening_) {
        current_ = std::move(next_);
        currentFile_ = nextFile_;
    }
    readOnly_ = nextReadOnly_;
    reopening_ = false;
}

void PassportLockKeeper::dropped()
{
    next_.release();
    reopening_ = false;
}

void PassportLockKeeper::releaseAll()
{
    next_.release();
    current_.release();
    currentFile_.clear();
    readOnly_ = false;
    reopening_ = false;
}

} // namespace talvena
