// The form pages' side of the domain rules: each change handler asks the model's rule
// (passport_rules.h) and sets the enabled states of the controls from what the rule says is open;
// also the page change commit, the Geology totals and the picker boxes.
#include "app/main_window.h"

#include "app/value_pickers.h"
#include "base/cp1251.h"
#include "dialogs/picker_calls.h"
#include "model/data_module.h"
#include "model/passport_rules.h"
#include "model/resources.h"

#include <QLabel>
#include <iterator>

namespace talvena {

void TMainForm::PageControl2Change() { dataModule_.CommitPendingEdits(); }

void TMainForm::setControlEnabled(const char* objectName, bool enabled)
{
    if (QWidget* w = control(QString::fromLatin1(objectName))) w->setEnabled(enabled);
}

bool TMainForm::methodRuleGuard() const { return dataModule_.state().methodRuleGuard(); }

// --- page 2: the other-method edits ----------------------------------------------------------------

void TMainForm::otherMethodRule(const char* methodField, const char* editName)
{
    OtherMethodRule(dataModule_, methodField);
    setControlEnabled(editName, OtherMethodTextOpen(dataModule_, methodField));
}

// --- page 3: source kind and the exclusive method rule ---------------------------------------------

void TMainForm::sourceKindRule(int group, const char* chargeLabel, const char* chargeCombo, const char* typeLabel,
                               const char* typeCombo)
{
    SourceKindRule(dataModule_, group);
    const SourceKindQuestions open = SourceKindOpen(dataModule_, group);
    for (const char* name : {chargeLabel, chargeCombo}) setControlEnabled(name, open.chargePlacement);
    for (const char* name : {typeLabel, typeCombo}) setControlEnabled(name, open.nonExplosiveType);
}

void TMainForm::SelectMethodGroup(int group) { talvena::SelectMethodGroup(dataModule_, group); }

void TMainForm::ClearMethodGroup(int group) { talvena::ClearMethodGroup(dataModule_, group); }

// --- page 4 ----------------------------------------------------------------------------------------

void TMainForm::UpdateGeoDopEdits()
{
    static const char* const kEdits[] = {"DBEdit16", "DBEdit17", "DBEdit18"};
    ClearClosedGeoDopTexts(dataModule_);
    const auto pairs = GeoDopTexts();
    for (size_t i = 0; i < pairs.size() && i < std::size(kEdits); ++i)
        setControlEnabled(kEdits[i], GeoDopTextOpen(dataModule_, pairs[i]));
}

void TMainForm::TabSheet6Enter()
{
    dataModule_.CommitPendingEdits();
    const GeologyTotals totals = ComputeGeologyTotals(dataModule_.POSIB_PRODUCT_HOR, dataModule_.REFLECT_HORIZONTS);
    for (const GeologyLabel& l : totals.labels)
        if (QLabel* label = valueLabel(QString::fromLatin1(l.name))) label->setText(cp1251ToUnicode(l.text));
    if (afterGeologyTotals) afterGeologyTotals();
}

// --- the handlers the page declarations name ---------------------------------------------------------

void TMainForm::runPageHandler(PageHandler handler)
{
    using H = PageHandler;
    using Run = void (*)(TMainForm&);
    // What each handler a control declaration names runs, in one place.
    static const std::pair<PageHandler, Run> kHandlers[] = {
        {H::JvDBLookupCombo1Change, [](TMainForm& w) { KeepOneSubject(w.dataModule_, "FEDERALOKRUG_ID"); }},
        {H::JvDBLookupCombo2Change, [](TMainForm& w) { KeepOneSubject(w.dataModule_, "REPUBLIC_ID"); }},
        {H::JvDBLookupCombo3Change, [](TMainForm& w) { KeepOneSubject(w.dataModule_, "KRAI_ID"); }},
        {H::JvDBLookupCombo4Change, [](TMainForm& w) { KeepOneSubject(w.dataModule_, "OBLAST_ID"); }},
        {H::JvDBLookupCombo5Change,
         [](TMainForm& w) { w.otherMethodRule("SHOWINGUPMETHOD_ID", "DBEdit19"); }},
        {H::JvDBLookupCombo6Change,
         [](TMainForm& w) { w.otherMethodRule("PREPARATIONMETHOD_ID", "DBEdit20"); }},
        {H::JvDBLookupCombo7Change, [](TMainForm&) {}},
        {H::JvDBLookupCombo10Change,
         [](TMainForm& w) {
             w.sourceKindRule(1, "Label31", "JvDBLookupCombo11", "Label32", "JvDBLookupCombo12");
         }},
        {H::JvDBLookupCombo13Change,
         [](TMainForm& w) {
             w.sourceKindRule(2, "Label41", "JvDBLookupCombo14", "Label42", "JvDBLookupCombo15");
         }},
        {H::JvDBComboEdit3Change, [](TMainForm& w) { w.SelectMethodGroup(1); }},
        {H::JvDBSpinEdit12Change, [](TMainForm& w) { w.SelectMethodGroup(2); }},
        {H::DBEdit10Change, [](TMainForm& w) { w.SelectMethodGroup(3); }},
        {H::DBEdit11Change, [](TMainForm& w) { w.SelectMethodGroup(4); }},
        {H::JvDBComboEdit6Change, [](TMainForm& w) { w.SelectMethodGroup(5); }},
        {H::JvDBComboEdit1ButtonClick, [](TMainForm& w) { w.pickStratigraphicIndex("STRATIGR_KROVL"); }},
        {H::JvDBComboEdit2ButtonClick, [](TMainForm& w) { w.pickStratigraphicIndex("STRATIGR_PODOSHV"); }},
        {H::JvDBComboEdit3ButtonClick, [](TMainForm& w) { w.pickScale("SHOOTSCALE"); }},
        {H::JvDBComboEdit4ButtonClick, [](TMainForm& w) { w.pickScale("SHOOTSCALEEL"); }},
        {H::JvDBComboEdit5ButtonClick, [](TMainForm& w) { w.pickScale("SHOOTSCALEOT"); }},
        {H::JvDBComboEdit6ButtonClick, [](TMainForm& w) { w.pickScale("SHOOTSCALEST"); }},
    };
    for (const auto& [id, run] : kHandlers)
        if (id == handler) run(*this);
}

// --- picker boxes ----------------------------------------------------------------------------------

void TMainForm::pickScale(const char* fieldName)
{
    if (!pickers_) return;
    PickIntoField(dataModule_.PASPORTS, fieldName,
                  [this](const Value& current) { return pickers_->pickScale(PickerPreset(current)); });
}

void TMainForm::pickStratigraphicIndex(const char* fieldName)
{
    if (!pickers_) return;
    PickIntoField(dataModule_.PASPORTS, fieldName,
                  [this](const Value& current) { return pickers_->pickStratigraphicIndex(PickerPreset(current)); });
}

} // namespace talvena
