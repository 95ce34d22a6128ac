// The rules of KONTUR: point identifiers, the text of coordinates, and the point count of each
// productive horizon.
//
// A point counts for its horizon when it is stored, not when it is started: a new point that is
// cancelled, or that a grid drops untouched, never counted. The count goes to the point's own
// horizon (HEAD_ID). Usually that is the current horizon; when the point is posted because the
// user moved to another horizon, the count is owed to the horizon left behind and written by
// visiting it as soon as the horizons are in browse. Points copied in while a passport loads
// do not count: the file carries the counts.
#include "model/coordinates.h"
#include "model/data_module.h"
#include "model/record_ids.h"

namespace talvena {

void TDataModule2::attachContourHandlers()
{
    KONTUR.onNewRecord = [this](RecordTable& t) { KONTURNewRecord(t); };
    KONTUR.beforePost = [this](RecordTable& t) { KONTURBeforePost(t); };
    KONTUR.afterPost = [this](RecordTable& t) { KONTURAfterPost(t); };
    KONTUR.afterDelete = [this](RecordTable& t) { KONTURAfterDelete(t); };
    KONTUR.afterScroll = [this](RecordTable& t) { KONTURAfterScroll(t); };
    for (const char* name : {"X", "Y"}) {
        Field& f = KONTUR.fieldByName(name);
        f.onGetText = [this](Field& field, bool display) { return KONTURXGetText(field, display); };
        f.onSetText = [this](Field& field, const QByteArray& text) { KONTURXSetText(field, text); };
    }
}

void TDataModule2::KONTURNewRecord(RecordTable& t)
{
    Field& id = t.fieldByName("ID");
    if (id.isNull()) id.setInteger(NewRecordId(kPointIdRange));
    Field& head = t.fieldByName("HEAD_ID");
    if (head.isNull()) head.setInteger(POSIB_PRODUCT_HOR.fieldByName("ID").asInteger());
}

void TDataModule2::KONTURBeforePost(RecordTable& t)
{
    postingNewPoint_ = t.state() == TableState::Insert;
    postingPointHead_ = static_cast<int32_t>(t.fieldByName("HEAD_ID").asInteger());
}

void TDataModule2::KONTURAfterPost(RecordTable& t)
{
    if (t.lastPostChanged()) state_.setModified(true);
    const bool stored = postingNewPoint_;
    postingNewPoint_ = false;
    // After the post the current record may be another one (a point its filter hides).
    currentPointHead_ = static_cast<int32_t>(t.fieldByName("HEAD_ID").asInteger());
    if (stored && !state_.loading()) AdjustPointCount(postingPointHead_, +1);
}

void TDataModule2::KONTURAfterDelete(RecordTable&)
{
    if (state_.loading()) return;
    // The count may have to wait for its horizon; the deletion itself changes the passport now.
    state_.setModified(true);
    AdjustPointCount(currentPointHead_, -1);
}

void TDataModule2::KONTURAfterScroll(RecordTable& t)
{
    currentPointHead_ = static_cast<int32_t>(t.fieldByName("HEAD_ID").asInteger());
}

int TDataModule2::currentCoordinateType() const
{
    const int64_t type = POSIB_PRODUCT_HOR.fieldByName("KONTURKOORDTYPE").asInteger();
    return type < 0 || type > 4 ? -1 : static_cast<int>(type);
}

QByteArray TDataModule2::KONTURXGetText(Field& f, bool)
{
    return CoordinateText(currentCoordinateType(), f.value());
}

void TDataModule2::KONTURXSetText(Field& f, const QByteArray& text)
{
    ReadCoordinate(currentCoordinateType(), text, f);
}

// --- point counts ------------------------------------------------------------------------------

void TDataModule2::AdjustPointCount(int32_t horizonId, int64_t delta)
{
    int64_t& owed = owedPointCounts_[horizonId];
    owed += delta;
    if (owed == 0) owedPointCounts_.erase(horizonId);
    settleOwedPointCounts();
}

void TDataModule2::releasePointCounts()
{
    if (pointCountHolds_ > 0 && --pointCountHolds_ == 0) settleOwedPointCounts();
}

void TDataModule2::settleOwedPointCounts()
{
    if (settlingPointCounts_ || pointCountHolds_ > 0 || owedPointCounts_.empty() || !POSIB_PRODUCT_HOR.active())
        return;
    settlingPointCounts_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{settlingPointCounts_};

    for (auto it = owedPointCounts_.begin(); it != owedPointCounts_.end();) {
        const int32_t horizon = it->first;
        const int64_t delta = it->second;
        // Taken off first: a failing post must not write the same change twice.
        it = owedPointCounts_.erase(it);
        if (!applyPointCount(horizon, delta)) owedPointCounts_[horizon] += delta;
    }
}

bool TDataModule2::horizonExists(int32_t horizonId) const
{
    const Field& id = POSIB_PRODUCT_HOR.fieldByName("ID");
    for (int i = 0; i < POSIB_PRODUCT_HOR.storedCount(); ++i) {
        const uint32_t row = POSIB_PRODUCT_HOR.storedRow(i);
        if (!POSIB_PRODUCT_HOR.rowIsNull(row, id) && POSIB_PRODUCT_HOR.rowInteger(row, id) == horizonId) return true;
    }
    return false;
}

// Writes the change, or returns false when it has to wait.
bool TDataModule2::applyPointCount(int32_t horizonId, int64_t delta)
{
    RecordTable& horizons = POSIB_PRODUCT_HOR;
    Field& id = horizons.fieldByName("ID");
    Field& count = horizons.fieldByName("KONTURNUMPOINTS");
    auto write = [&] {
        horizons.edit();
        count.setInteger(count.asInteger() + delta);
        horizons.post();
    };
    if (!id.isNull() && id.asInteger() == horizonId) {
        write();
        return true;
    }
    // Visiting another horizon would settle the one being edited or inserted.
    if (horizons.state() != TableState::Browse) return false;
    // Points of a horizon that is gone, or of none (HEAD_ID 0), count nowhere.
    if (!horizonExists(horizonId)) return true;

    const Value back = id.value();
    const RecordTable::RefreshSuspension suspension(horizons);
    const bool found = horizons.locate("ID", Value::integer(horizonId));
    if (found) write();
    if (!back.isNull()) horizons.locate("ID", back);
    // A horizon hidden by a filter waits until it can be seen.
    return found;
}

// --- contour work in bulk ---------------------------------------------------------------------

int TDataModule2::DeleteShownContourPoints()
{
    KONTUR.settle();
    // Each point's count goes to its own horizon, as AfterDelete does for one point at a time.
    std::map<int32_t, int64_t> perHorizon;
    const Field& head = KONTUR.fieldByName("HEAD_ID");
    for (int i = 0; i < KONTUR.visibleCount(); ++i) ++perHorizon[KONTUR.rowInteger(KONTUR.visibleRow(i), head)];
    const int deleted = KONTUR.deleteVisibleRecords();
    currentPointHead_ = 0;
    if (deleted == 0 || state_.loading()) return deleted;
    state_.setModified(true);
    holdPointCounts();
    for (const auto& [horizon, n] : perHorizon) AdjustPointCount(horizon, -n);
    releasePointCounts();
    return deleted;
}

void TDataModule2::CorrectPointCounts(const std::vector<std::pair<int32_t, int64_t>>& counts)
{
    const Field& id = POSIB_PRODUCT_HOR.fieldByName("ID");
    const Field& stored = POSIB_PRODUCT_HOR.fieldByName("KONTURNUMPOINTS");
    std::map<int32_t, int64_t> storedCounts;
    for (int i = 0; i < POSIB_PRODUCT_HOR.storedCount(); ++i) {
        const uint32_t row = POSIB_PRODUCT_HOR.storedRow(i);
        if (!POSIB_PRODUCT_HOR.rowIsNull(row, id))
            storedCounts.emplace(POSIB_PRODUCT_HOR.rowInteger(row, id), POSIB_PRODUCT_HOR.rowInteger(row, stored));
    }
    // Written as owed changes: a horizon is visited without the contour following it, and one
    // that cannot be written now keeps its correction until it can.
    holdPointCounts();
    for (const auto& [horizon, count] : counts) {
        const auto it = storedCounts.find(horizon);
        if (it == storedCounts.end()) continue;
        // The count given is the true one: a change still owed to the horizon is part of it.
        if (it->second == count) owedPointCounts_.erase(horizon);
        else owedPointCounts_[horizon] = count - it->second;
    }
    releasePointCounts();
}

} // namespace talvena
