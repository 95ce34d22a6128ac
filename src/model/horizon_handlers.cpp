// The rules of REFLECT_HORIZONTS and POSIB_PRODUCT_HOR: identifiers, the modified flag, scale
// texts and resources, and the contour that follows the current productive horizon.
#include "model/data_module.h"
#include "model/record_ids.h"
#include "model/resources.h"
#include "model/scale_text.h"
#include "table/number_text.h"

namespace talvena {

void TDataModule2::attachHorizonHandlers()
{
    for (RecordTable* t : {&REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR}) {
        t->beforePost = [this](RecordTable& table) { HorizonBeforePost(table); };
        t->afterPost = [this](RecordTable& table) { HorizonAfterPost(table); };
    }
    REFLECT_HORIZONTS.onCalcFields = [this](const RecordTable& t) { REFLECT_HORIZONTSCalcFields(t); };
    POSIB_PRODUCT_HOR.onCalcFields = [this](const RecordTable& t) { POSIB_PRODUCT_HORCalcFields(t); };
    POSIB_PRODUCT_HOR.afterScroll = [this](RecordTable& t) { POSIB_PRODUCT_HORAfterScroll(t); };
}

// A horizon gets its identifier when it is first posted; an identifier once set stays.
void TDataModule2::HorizonBeforePost(RecordTable& t)
{
    Field& id = t.fieldByName("ID");
    if (id.isNull()) id.setInteger(NewRecordId(kHorizonIdRange));
}

void TDataModule2::HorizonAfterPost(RecordTable& t)
{
    if (t.lastPostChanged()) state_.setModified(true);
    // A horizon that was busy may now take the point counts owed to it or to another horizon.
    if (&t == &POSIB_PRODUCT_HOR && !state_.loading()) settleOwedPointCounts();
}

void TDataModule2::REFLECT_HORIZONTSCalcFields(const RecordTable& t)
{
    const QByteArray scale = ScaleText(t.fieldByName("SCALE").value());
    if (!scale.isEmpty()) t.fieldByName("_scale").setString(scale);
}

void TDataModule2::POSIB_PRODUCT_HORCalcFields(const RecordTable& t)
{
    const QByteArray scale = ScaleText(t.fieldByName("SCALE").value());
    if (!scale.isEmpty()) t.fieldByName("_scale").setString(scale);
    CalcProductHorizonResources(t);
}

void TDataModule2::POSIB_PRODUCT_HORAfterScroll(RecordTable&)
{
    // A visit made to write an owed point count leaves the contour where it was.
    if (settlingPointCounts_) return;
    if (state_.loading()) owedPointCounts_.clear();
    followCurrentHorizon();
    if (!state_.loading()) settleOwedPointCounts();
}

void TDataModule2::followCurrentHorizon()
{
    const Field& id = POSIB_PRODUCT_HOR.fieldByName("ID");
    if (id.isNull()) {
        KONTUR.setFiltered(false);
    } else {
        KONTUR.setFilterText("HEAD_ID=" + FormatInteger(id.asInteger()));
        KONTUR.setFiltered(true);
    }
}

EditJournal::Place TDataModule2::UndoAction() { return replayAction(true); }
EditJournal::Place TDataModule2::RedoAction() { return replayAction(false); }

EditJournal::Place TDataModule2::replayAction(bool undo)
{
    CommitPendingEdits();
    const EditJournal::Place place = undo ? journal_.undoPlace() : journal_.redoPlace();
    if (!(undo ? journal_.undo() : journal_.redo())) return {};
    // Counts owed to horizons were owed by the state the step left.
    owedPointCounts_.clear();
    followCurrentHorizon();
    state_.setModified(!journal_.atSavedState());
    return place;
}

} // namespace talvena
