#include "table/edit_journal.h"

#include "table/journal_op.h"
#include "table/record_table.h"

#include <algorithm>

namespace talvena {

size_t JournalOp::memoryBytes() const
{
    auto valueBytes = [](const Value& v) { return v.isBytes() ? static_cast<size_t>(v.bytesValue().size()) : 0; };
    return sizeof(JournalOp) + rows.capacity() * sizeof(uint32_t) + valueBytes(before) + valueBytes(after) +
           payloadBytes;
}

struct EditJournal::Step {
    QString name;
    std::vector<JournalOp> ops;
};

// What only the step being recorded needs; kept by the journal and reused, so that a step costs
// no more allocations than its changes.
struct EditJournal::Recording {
    // Per table: its row count before the step added any rows.
    std::vector<std::pair<RecordTable*, uint32_t>> rowBase;
    // Per table and structure (0 the records, 1 the order, 2 the base order): the op that last
    // changed it, which the next change of the same kind may extend.
    struct Last {
        RecordTable* table;
        int structure;
        size_t op;
    };
    std::vector<Last> last;
};

EditJournal::EditJournal() : recordingState_(std::make_unique<Recording>()) {}
EditJournal::~EditJournal() = default;

EditJournal::Action::Action(EditJournal* journal, const QString& name) : journal_(journal)
{
    if (journal_) journal_->begin(name);
}

EditJournal::Action::~Action()
{
    if (journal_) journal_->end();
}

void EditJournal::begin(const QString& name)
{
    if (depth_++ > 0) return;
    open_ = std::make_unique<Step>();
    open_->name = name;
    recordingState_->rowBase.clear();
    recordingState_->last.clear();
}

void EditJournal::end()
{
    if (--depth_ > 0) return;
    std::unique_ptr<Step> step = std::move(open_);
    if (!step || step->ops.empty()) return;
    steps_.resize(done_);
    if (savedAt_ > static_cast<int64_t>(done_)) savedAt_ = -1; // the saved state can no longer be reached
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    changed();
}

uint32_t EditJournal::rowsBefore(RecordTable* table, uint32_t rowCount)
{
    if (!open_) return UINT32_MAX; // outside an action nothing counts as added by it
    for (const auto& [t, base] : recordingState_->rowBase)
        if (t == table) return base;
    recordingState_->rowBase.emplace_back(table, rowCount);
    return rowCount;
}

void EditJournal::record(JournalOp op)
{
    if (!recording()) return;
    Step* step = open_.get();
    if (!step) {
        // A change outside any action (a sort) belongs to the state the last step left: it is
        // undone and redone with it. What follows it can no longer be redone on top of it.
        if (done_ == 0) return;
        steps_.resize(done_);
        if (savedAt_ > static_cast<int64_t>(done_)) savedAt_ = -1;
        step = steps_.back().get();
        step->ops.push_back(std::move(op));
        changed();
        return;
    }
    using K = JournalOp::Kind;
    std::vector<Recording::Last>& last = recordingState_->last;
    int structure = -1;
    switch (op.kind) {
    case K::RowsAdded: case K::RowsCleared: case K::DataSwap: structure = 0; break;
    case K::OrderInsert: case K::OrderErase: structure = op.base ? 2 : 1; break;
    case K::OrderSwap: structure = 1; break;
    case K::Cell: case K::Status: break;
    }
    if (op.kind == K::DataSwap || op.kind == K::OrderSwap) {
        // Everything of the table changed at once: nothing before it may be extended.
        std::erase_if(last, [&](const Recording::Last& l) { return l.table == op.table; });
    } else if (structure >= 0) {
        auto it = std::find_if(last.begin(), last.end(), [&](const Recording::Last& l) {
            return l.table == op.table && l.structure == structure;
        });
        if (it != last.end()) {
            JournalOp& prev = step->ops[it->op];
            // Rows added one after another, or put into the order one after another, are one change.
            if (prev.kind == K::RowsAdded && op.kind == K::RowsAdded && prev.row + prev.count == op.row) {
                prev.count += op.count;
                return;
            }
            if (prev.kind == K::OrderInsert && op.kind == K::OrderInsert &&
                prev.row + prev.rows.size() == op.row) {
                prev.rows.insert(prev.rows.end(), op.rows.begin(), op.rows.end());
                return;
            }
            it->op = step->ops.size();
        } else {
            last.push_back({op.table, structure, step->ops.size()});
        }
    }
    step->ops.push_back(std::move(op));
}

void EditJournal::apply(Step& step, bool backwards)
{
    replaying_ = true;
    std::vector<RecordTable*> touched;
    try {
        auto one = [&](JournalOp& op) {
            if (std::find(touched.begin(), touched.end(), op.table) == touched.end()) {
                touched.push_back(op.table);
                op.table->beginReplay();
            }
            op.table->replay(op, backwards);
        };
        if (backwards)
            for (auto it = step.ops.rbegin(); it != step.ops.rend(); ++it) one(*it);
        else
            for (JournalOp& op : step.ops) one(op);
    } catch (...) {
        replaying_ = false;
        for (RecordTable* t : touched) t->endReplay(nullptr);
        throw;
    }
    replaying_ = false;
    const JournalOp& first = step.ops.front();
    for (RecordTable* t : touched) t->endReplay(t == first.table && first.kind != JournalOp::Kind::DataSwap ? &first : nullptr);
}

bool EditJournal::undo()
{
    if (!canUndo() || depth_ > 0) return false;
    apply(*steps_[done_ - 1], true);
    --done_;
    changed();
    return true;
}

bool EditJournal::redo()
{
    if (!canRedo() || depth_ > 0) return false;
    apply(*steps_[done_], false);
    ++done_;
    changed();
    return true;
}

QString EditJournal::undoName() const { return canUndo() ? steps_[done_ - 1]->name : QString(); }
QString EditJournal::redoName() const { return canRedo() ? steps_[done_]->name : QString(); }

namespace {

EditJournal::Place placeOf(const JournalOp& op)
{
    EditJournal::Place p;
    p.table = op.table;
    using K = JournalOp::Kind;
    switch (op.kind) {
    case K::Cell:
        p.row = op.row;
        p.field = op.table->dataFieldName(op.slot);
        break;
    case K::Status: case K::RowsAdded: p.row = op.row; break;
    case K::RowsCleared: p.row = op.rows.empty() ? -1 : op.rows.front(); break;
    case K::OrderInsert: p.row = op.rows.empty() ? -1 : op.rows.front(); break;
    case K::OrderErase: p.row = op.rows.size() < 2 ? -1 : op.rows[1]; break;
    case K::OrderSwap: case K::DataSwap: break;
    }
    return p;
}

} // namespace

EditJournal::Place EditJournal::undoPlace() const
{
    return canUndo() ? placeOf(steps_[done_ - 1]->ops.front()) : Place();
}

EditJournal::Place EditJournal::redoPlace() const
{
    return canRedo() ? placeOf(steps_[done_]->ops.front()) : Place();
}

void EditJournal::clear()
{
    steps_.clear();
    done_ = 0;
    savedAt_ = 0;
    if (open_) {
        open_ = std::make_unique<Step>(Step{open_->name, {}});
        recordingState_->rowBase.clear();
        recordingState_->last.clear();
    }
    changed();
}

void EditJournal::markSaved()
{
    savedAt_ = static_cast<int64_t>(done_);
    changed();
}

size_t EditJournal::memoryBytes() const
{
    size_t bytes = 0;
    for (const auto& s : steps_) {
        bytes += sizeof(Step) + static_cast<size_t>(s->name.size()) * 2;
        for (const JournalOp& op : s->ops) bytes += op.memoryBytes();
        bytes += (s->ops.capacity() - s->ops.size()) * sizeof(JournalOp);
    }
    return bytes;
}

void EditJournal::changed()
{
    if (onChanged) onChanged();
}

} // namespace talvena
