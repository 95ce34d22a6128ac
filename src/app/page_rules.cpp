// The rules that make the form pages follow the domain: the region cascade, the other-method
// edits, the source-kind rule, the exclusive method rule, the supplementary geology edits, the
// page change commit and the Geology totals.
#include "app/main_window.h"

#include "app/value_pickers.h"
#include "base/cp1251.h"
#include "dialogs/picker_calls.h"
#include "model/data_module.h"
#include "model/resources.h"

#include <QLabel>
#include <QScopedValueRollback>

namespace talvena {

namespace {

constexpr int kOtherMethod = 92;
constexpr int kExplosiveSource = 108;

bool beingEdited(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

} // namespace

void TMainForm::PageControl2Change() { dataModule_.CommitPendingEdits(); }

void TMainForm::setControlEnabled(const char* objectName, bool enabled)
{
    if (QWidget* w = control(QString::fromLatin1(objectName))) w->setEnabled(enabled);
}

void TMainForm::clearIgnoringErrors(const char* fieldName)
{
    try {
        dataModule_.PASPORTS.fieldByName(fieldName).clear();
    } catch (const std::exception&) {
        // a table not being edited refuses the write; the rule only wants the field empty
    }
}

// --- page 1: at most one of republic, krai and oblast ----------------------------------------------

void TMainForm::keepOneSubject(std::initializer_list<const char*> others)
{
    for (const char* f : others) dataModule_.PASPORTS.fieldByName(f).clear();
}

// --- page 2: the other-method edits ----------------------------------------------------------------

void TMainForm::otherMethodRule(const char* methodField, const char* editName, const char* textField)
{
    const bool enable = dataModule_.PASPORTS.fieldByName(methodField).asInteger() == kOtherMethod;
    setControlEnabled(editName, enable);
    if (enable) return;
    // Emptying OTHERMETHOD changes the text of method group 4's edit; that is not the user
    // editing the group, so the exclusive method rule must not follow it.
    const QScopedValueRollback quiet(methodRuleGuard_, true);
    clearIgnoringErrors(textField);
}


// --- page 3: source kind and the exclusive method rule ---------------------------------------------

void TMainForm::sourceKindRule(int group, const char* kindField, const char* chargeLabel, const char* chargeCombo,
                               const char* chargeField, const char* typeLabel, const char* typeCombo,
                               const char* typeField)
{
    SelectMethodGroup(group);
    const int64_t kind = dataModule_.PASPORTS.fieldByName(kindField).asInteger();
    const bool charge = kind == 0 || kind == kExplosiveSource;
    const bool type = kind != kExplosiveSource;
    for (const char* name : {chargeLabel, chargeCombo}) setControlEnabled(name, charge);
    for (const char* name : {typeLabel, typeCombo}) setControlEnabled(name, type);
    if (!charge) clearIgnoringErrors(chargeField);
    if (!type) clearIgnoringErrors(typeField);
}

void TMainForm::SelectMethodGroup(int group)
{
    RecordTable& passport = dataModule_.PASPORTS;
    if (dataModule_.state().loading() || !beingEdited(passport) || methodRuleGuard_) return;
    int method = 0;
    for (const MethodGroupDecl& g : MethodGroups())
        if (g.number == group) method = g.method;
    if (method == 0) return;

    const QScopedValueRollback guard(methodRuleGuard_, true);
    passport.fieldByName("PREPARATIONMETHOD_ID").setInteger(method);
    for (const MethodGroupDecl& g : MethodGroups())
        if (g.number != group) ClearMethodGroup(g.number);
}

void TMainForm::ClearMethodGroup(int group)
{
    RecordTable& passport = dataModule_.PASPORTS;
    for (const ControlDecl& c : MethodsPage().controls) {
        if (c.group != group) continue;
        switch (c.kind) {
        case ControlKind::PickerBox:
            // The box shows a text calculated from the scale; emptying the scale empties the text.
            passport.fieldByName(QByteArray(c.field).mid(1)).clear();
            break;
        case ControlKind::TextEdit:
        case ControlKind::Spinner:
        case ControlKind::DictionaryCombo:
            passport.fieldByName(c.field).clear();
            break;
        case ControlKind::ValueLabel:
        case ControlKind::Notice:
            break;
        }
    }
}

// --- page 4 ----------------------------------------------------------------------------------------

void TMainForm::UpdateGeoDopEdits()
{
    struct Pair {
        const char* choice;
        const char* edit;
        const char* text;
    };
    static const Pair kPairs[] = {
        {"GEO_PROVINCE_ID", "DBEdit16", "GEO_PROVINCE_DOP"},
        {"GEO_OBLAST_ID", "DBEdit17", "GEO_OBLAST_DOP"},
        {"GEO_RAION_ID", "DBEdit18", "GEO_RAION_DOP"},
    };
    for (const Pair& p : kPairs) {
        const bool open = dataModule_.PASPORTS.fieldByName(p.choice).asInteger() == 0;
        setControlEnabled(p.edit, open);
        if (!open) clearIgnoringErrors(p.text);
    }
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
        {H::JvDBLookupCombo1Change, [](TMainForm& w) { w.keepOneSubject({"REPUBLIC_ID", "KRAI_ID", "OBLAST_ID"}); }},
        {H::JvDBLookupCombo2Change, [](TMainForm& w) { w.keepOneSubject({"KRAI_ID", "OBLAST_ID"}); }},
        {H::JvDBLookupCombo3Change, [](TMainForm& w) { w.keepOneSubject({"REPUBLIC_ID", "OBLAST_ID"}); }},
        {H::JvDBLookupCombo4Change, [](TMainForm& w) { w.keepOneSubject({"REPUBLIC_ID", "KRAI_ID"}); }},
        {H::JvDBLookupCombo5Change,
         [](TMainForm& w) { w.otherMethodRule("SHOWINGUPMETHOD_ID", "DBEdit19", "OTHERMETHOD2"); }},
        {H::JvDBLookupCombo6Change,
         [](TMainForm& w) { w.otherMethodRule("PREPARATIONMETHOD_ID", "DBEdit20", "OTHERMETHOD"); }},
        {H::JvDBLookupCombo7Change, [](TMainForm&) {}},
        {H::JvDBLookupCombo10Change,
         [](TMainForm& w) {
             w.sourceKindRule(1, "DRIVINGTYPE_ID", "Label31", "JvDBLookupCombo11", "CHARGELOCATION_ID", "Label32",
                              "JvDBLookupCombo12", "NONEXPLOSIVETYPE_ID");
         }},
        {H::JvDBLookupCombo13Change,
         [](TMainForm& w) {
             w.sourceKindRule(2, "DRIVINGTYPE3D_ID", "Label41", "JvDBLookupCombo14", "CHARGELOCATION3D_ID",
                              "Label42", "JvDBLookupCombo15", "NONEXPLOSIVETYPE3D_ID");
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
