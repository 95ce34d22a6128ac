#include "model/passport_rules.h"

#include "model/data_module.h"

#include <QScopedValueRollback>

namespace talvena {

namespace {

// The fields of each method group in the order of its controls; a scale picker empties the
// denominator its text is calculated from.
constexpr const char* kSeismic2d[] = {"SHOOTSCALE",  "GRIDDENCITY",    "MOGTREPETISHIONS",
                                      "MAXDISTANCE", "MINDISTANCE",    "RECIVESTEP",
                                      "DRIVINGTYPE_ID", "CHARGELOCATION_ID", "NONEXPLOSIVETYPE_ID"};
constexpr const char* kSeismic3d[] = {"MOGTREPETISHIONS3D", "MAXDISTANCE3D", "MINDISTANCE3D",
                                      "RECIVESTEP3D",       "DRIVINGSTEP3D", "BINH",
                                      "BINW",               "DRIVINGTYPE3D_ID", "CHARGELOCATION3D_ID",
                                      "NONEXPLOSIVETYPE3D_ID"};
constexpr const char* kElectrical[] = {"ELECTROMETHOD", "SHOOTSCALEEL", "GRIDDENCITYEL", "STEPEL"};
constexpr const char* kOther[] = {"OTHERMETHOD", "SHOOTSCALEOT", "GRIDDENCITYOT", "OBSERVATIONSYSTEM", "STEPOT"};
constexpr const char* kDrilling[] = {"SHOOTSCALEST", "GRIDDENCITYST"};

constexpr MethodGroup kGroups[] = {
    {1, kSeismicMethod, kSeismic2d},
    {2, kSeismicMethod, kSeismic3d},
    {3, kElectricalMethod, kElectrical},
    {4, kOtherMethod, kOther},
    {5, kStructuralDrillingMethod, kDrilling},
};

struct SourceKind {
    const char* kindField;
    const char* chargeField;
    const char* typeField;
};
constexpr SourceKind kSourceKinds[] = {
    {"DRIVINGTYPE_ID", "CHARGELOCATION_ID", "NONEXPLOSIVETYPE_ID"},
    {"DRIVINGTYPE3D_ID", "CHARGELOCATION3D_ID", "NONEXPLOSIVETYPE3D_ID"},
};

struct OtherMethodText {
    const char* methodField;
    const char* textField;
};
constexpr OtherMethodText kOtherMethodTexts[] = {
    {"SHOWINGUPMETHOD_ID", "OTHERMETHOD2"},
    {"PREPARATIONMETHOD_ID", "OTHERMETHOD"},
};

constexpr GeoDopText kGeoDopTexts[] = {
    {"GEO_PROVINCE_ID", "GEO_PROVINCE_DOP"},
    {"GEO_OBLAST_ID", "GEO_OBLAST_DOP"},
    {"GEO_RAION_ID", "GEO_RAION_DOP"},
};

constexpr const char* kSubjects[] = {"REPUBLIC_ID", "KRAI_ID", "OBLAST_ID"};

bool beingEdited(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

int64_t integerOf(const TDataModule2& m, const char* field)
{
    return const_cast<TDataModule2&>(m).PASPORTS.fieldByName(field).asInteger();
}

void clearIgnoringErrors(TDataModule2& m, const char* field)
{
    try {
        m.PASPORTS.fieldByName(field).clear();
    } catch (const std::exception&) {
        // a table not being edited refuses the write; the rule only wants the field empty
    }
}

const SourceKind* sourceKindOf(int group)
{
    return group == 1 || group == 2 ? &kSourceKinds[group - 1] : nullptr;
}

const OtherMethodText* otherMethodTextOf(const QByteArray& methodField)
{
    for (const OtherMethodText& o : kOtherMethodTexts)
        if (methodField == o.methodField) return &o;
    return nullptr;
}

} // namespace

std::span<const MethodGroup> MethodGroups() { return kGroups; }

int MethodGroupOfField(const QByteArray& field)
{
    for (const MethodGroup& g : kGroups)
        for (const char* f : g.fields)
            if (field == f) return g.number;
    return 0;
}

void SelectMethodGroup(TDataModule2& m, int group)
{
    RecordTable& passport = m.PASPORTS;
    if (m.state().loading() || !beingEdited(passport) || m.state().methodRuleGuard()) return;
    int method = 0;
    for (const MethodGroup& g : kGroups)
        if (g.number == group) method = g.method;
    if (method == 0) return;

    const QScopedValueRollback guard(m.state().methodRuleGuardRef(), true);
    passport.fieldByName("PREPARATIONMETHOD_ID").setInteger(method);
    for (const MethodGroup& g : kGroups)
        if (g.number != group) ClearMethodGroup(m, g.number);
}

void ClearMethodGroup(TDataModule2& m, int group)
{
    for (const MethodGroup& g : kGroups)
        if (g.number == group)
            for (const char* f : g.fields) m.PASPORTS.fieldByName(f).clear();
}

void KeepOneSubject(TDataModule2& m, const QByteArray& chosenField)
{
    for (const char* f : kSubjects)
        if (chosenField != f) m.PASPORTS.fieldByName(f).clear();
}

bool OtherMethodTextOpen(const TDataModule2& m, const QByteArray& methodField)
{
    return integerOf(m, methodField.constData()) == kOtherMethod;
}

void OtherMethodRule(TDataModule2& m, const QByteArray& methodField)
{
    const OtherMethodText* o = otherMethodTextOf(methodField);
    if (!o || OtherMethodTextOpen(m, methodField)) return;
    // Emptying OTHERMETHOD changes a field of method group 4; that is not the user editing the
    // group, so the exclusive method rule must not follow it.
    const QScopedValueRollback quiet(m.state().methodRuleGuardRef(), true);
    clearIgnoringErrors(m, o->textField);
}

SourceKindQuestions SourceKindOpen(const TDataModule2& m, int group)
{
    const SourceKind* s = sourceKindOf(group);
    if (!s) return {};
    const int64_t kind = integerOf(m, s->kindField);
    return {kind == 0 || kind == kExplosiveSource, kind != kExplosiveSource};
}

void SourceKindRule(TDataModule2& m, int group)
{
    const SourceKind* s = sourceKindOf(group);
    if (!s) return;
    SelectMethodGroup(m, group);
    const SourceKindQuestions open = SourceKindOpen(m, group);
    if (!open.chargePlacement) clearIgnoringErrors(m, s->chargeField);
    if (!open.nonExplosiveType) clearIgnoringErrors(m, s->typeField);
}

std::span<const GeoDopText> GeoDopTexts() { return kGeoDopTexts; }

bool GeoDopTextOpen(const TDataModule2& m, const GeoDopText& pair) { return integerOf(m, pair.choiceField) == 0; }

void ClearClosedGeoDopTexts(TDataModule2& m)
{
    for (const GeoDopText& p : kGeoDopTexts)
        if (!GeoDopTextOpen(m, p)) clearIgnoringErrors(m, p.textField);
}

void FollowPassportEdit(TDataModule2& m, const QByteArray& field)
{
    if (field == "FEDERALOKRUG_ID") return KeepOneSubject(m, field);
    for (const char* f : kSubjects)
        if (field == f) return KeepOneSubject(m, field);
    if (otherMethodTextOf(field)) return OtherMethodRule(m, field);
    for (int group : {1, 2})
        if (field == sourceKindOf(group)->kindField) return SourceKindRule(m, group);
    if (const int group = MethodGroupOfField(field)) return SelectMethodGroup(m, group);
    // The geology choices narrow and empty the choices below them through the table's own
    // events (files hold a choice beside its text too); a user's choice closes the texts.
    for (const GeoDopText& p : kGeoDopTexts)
        if (field == p.choiceField) return ClearClosedGeoDopTexts(m);
}

namespace {

template <class Write>
void editAsUser(TDataModule2& m, const QByteArray& field, const QString& actionName, const Write& write)
{
    const EditJournal::Action action(&m.journal(), actionName);
    RecordTable& passport = m.PASPORTS;
    if (!beingEdited(passport)) passport.edit();
    write(passport.fieldByName(field));
    FollowPassportEdit(m, field);
    passport.post();
}

} // namespace

void EditPassportField(TDataModule2& m, const QByteArray& field, const Value& value, const QString& actionName)
{
    editAsUser(m, field, actionName, [&](Field& f) { f.setValue(value); });
}

void TypePassportField(TDataModule2& m, const QByteArray& field, const QByteArray& text, const QString& actionName)
{
    editAsUser(m, field, actionName, [&](Field& f) { f.setText(text); });
}

} // namespace talvena
