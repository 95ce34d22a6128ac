// The rules of PASPORTS: scale texts, the modified flag, and the region and geology cascades
// (the rules that follow the user's edits are passport_rules.h).
#include "model/data_module.h"
#include "model/scale_text.h"
#include "table/number_text.h"

namespace talvena {

namespace {

struct ScaleTextField {
    const char* text;
    const char* denominator;
};

const ScaleTextField kScaleTexts[] = {
    {"_SHOOTSCALE", "SHOOTSCALE"},
    {"_SHOOTSCALEEL", "SHOOTSCALEEL"},
    {"_SHOOTSCALEOT", "SHOOTSCALEOT"},
    {"_SHOOTSCALEST", "SHOOTSCALEST"},
};

} // namespace

void TDataModule2::attachPassportHandlers()
{
    PASPORTS.onCalcFields = [this](const RecordTable& t) { PASPORTSCalcFields(t); };
    PASPORTS.afterPost = [this](RecordTable& t) { PASPORTSAfterPost(t); };
    PASPORTS.fieldByName("FEDERALOKRUG_ID").onChange = [this](Field& f) { PASPORTSFEDERALOKRUG_IDChange(f); };
    PASPORTS.fieldByName("GEO_PROVINCE_ID").onChange = [this](Field& f) { PASPORTSGEO_PROVINCE_IDChange(f); };
    PASPORTS.fieldByName("GEO_OBLAST_ID").onChange = [this](Field& f) { PASPORTSGEO_OBLAST_IDChange(f); };
    PASPORTS.fieldByName("GEO_RAION_ID").onChange = [this](Field& f) { PASPORTSGEO_RAION_IDChange(f); };
}

void TDataModule2::PASPORTSCalcFields(const RecordTable& t)
{
    for (const ScaleTextField& s : kScaleTexts) {
        const QByteArray text = ScaleText(t.fieldByName(s.denominator).value());
        if (!text.isEmpty()) t.fieldByName(s.text).setString(text);
    }
}

// A post that changes no value (the close query posting an untouched record) is no edit.
void TDataModule2::PASPORTSAfterPost(RecordTable& t)
{
    if (t.lastPostChanged()) state_.setModified(true);
}

// Offers the entries of the chosen parent and the empty entry.
void TDataModule2::narrowDictionary(int number, const Field& parent)
{
    RecordTable* d = dict(number);
    if (!d || !d->active()) return;
    d->setFilterText("PARENT_ID=" + FormatInteger(parent.asInteger()) + " OR ID=0");
}

void TDataModule2::PASPORTSFEDERALOKRUG_IDChange(Field& f)
{
    // The republic, krai and oblast keep their values: the window's drop-downs clear them.
    for (int n : {2, 3, 4}) narrowDictionary(n, f);
}

void TDataModule2::PASPORTSGEO_PROVINCE_IDChange(Field& f)
{
    f.table().fieldByName("GEO_OBLAST_ID").clear();
    narrowDictionary(12, f);
    UpdateGeoDopEdits();
}

void TDataModule2::PASPORTSGEO_OBLAST_IDChange(Field& f)
{
    f.table().fieldByName("GEO_RAION_ID").clear();
    narrowDictionary(13, f);
    UpdateGeoDopEdits();
}

void TDataModule2::PASPORTSGEO_RAION_IDChange(Field&) { UpdateGeoDopEdits(); }

void TDataModule2::UpdateGeoDopEdits()
{
    if (onUpdateGeoDopEdits) onUpdateGeoDopEdits();
}

} // namespace talvena
