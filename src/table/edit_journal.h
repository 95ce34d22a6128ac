#pragma once
// The edit journal: every change of the stored records of the tables that share it, kept as
// before/after values at stored rows (whose numbers survive sorting and filtering), grouped into
// steps that can be undone and redone. One user action is one step, whatever rules it sets off.
//
// A step holds only what changed: a value is two values, a deleted record its values, a bulk
// import the range of rows it added (their values are taken into the step when it is undone, so
// that redo can put them back), a replacement of a whole table the table it replaced. Undoing
// applies a step's changes backwards to the state right after it, which is what the tables hold
// as long as every change of their stored records went through the journal.
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace talvena {

class RecordTable;
struct JournalOp;

class EditJournal {
public:
    EditJournal();
    ~EditJournal();
    EditJournal(const EditJournal&) = delete;
    EditJournal& operator=(const EditJournal&) = delete;

    // One user action: the changes made while the outermost one is open form one step named by
    // it. Inner ones (the engine opens one for each post or delete) only join.
    class Action {
    public:
        Action(EditJournal* journal, const QString& name);
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

    private:
        EditJournal* journal_;
    };

    bool canUndo() const { return done_ > 0; }
    // Steps done (undo goes back through them) and kept in all (redo goes forward to these).
    size_t doneSteps() const { return done_; }
    size_t stepCount() const { return steps_.size(); }
    bool canRedo() const { return done_ < steps_.size(); }
    QString undoName() const;
    QString redoName() const;
    // Where the change of a step happened, to bring it into view: the table, stored row (-1 when
    // the step replaced a whole table) and field name of its first change.
    struct Place {
        RecordTable* table = nullptr;
        int64_t row = -1;
        QByteArray field;
    };
    Place undoPlace() const;
    Place redoPlace() const;
    // Undo and redo apply the last done or the next undone step. The tables must not hold a
    // pending edit (commit it first: it becomes a step of its own). Return false when there is
    // nothing to do.
    bool undo();
    bool redo();

    // Forgets every step (a new passport, one opened).
    void clear();
    // While suspended nothing is recorded (loading a passport replaces everything anyway).
    void suspend() { ++suspended_; }
    void resume() { --suspended_; }
    bool recording() const { return suspended_ == 0 && !replaying_; }

    // The saved state: `atSavedState` is true when undo and redo returned to the steps done when
    // markSaved was last called.
    void markSaved();
    // No state of the history is saved (a passport recovered after a crash).
    void markNothingSaved() { savedAt_ = -1; }
    bool atSavedState() const { return savedAt_ == static_cast<int64_t>(done_); }

    // After every change of the history (a step added, undone, redone, the history cleared).
    std::function<void()> onChanged;

    // Memory the steps hold, roughly, in bytes.
    size_t memoryBytes() const;

private:
    friend class RecordTable;
    struct Step;
    void begin(const QString& name);
    void end();
    // Called by the tables.
    void record(JournalOp op);
    // Rows at or above this number were added to the table by the step being recorded: their
    // values need no recording (undo takes the rows back whole).
    uint32_t rowsBefore(RecordTable* table, uint32_t rowCount);
    void changed();
    void apply(Step& step, bool backwards);

    struct Recording;
    std::vector<std::unique_ptr<Step>> steps_;
    std::unique_ptr<Recording> recordingState_;
    size_t done_ = 0;
    std::unique_ptr<Step> open_;
    int depth_ = 0;
    int suspended_ = 0;
    bool replaying_ = false;
    int64_t savedAt_ = 0;
};

} // namespace talvena
