#pragma once
// The rules that make the passport record follow the domain as the user edits it: one subject of
// the federation at a time, the texts of an "other" method, the source kind of a seismic survey,
// the one survey method a passport is prepared by, and the supplementary geology texts.
//
// They follow the user's edits only. Values that arrive by loading, by undo or redo, or from the
// rules themselves start none; undo and redo give back what the rules did because the journal
// recorded it. The window runs them from its controls' change handlers and asks them which
// controls are open; the command line, the example generator and tests use EditPassportField.
#include "table/value.h"

#include <QByteArray>
#include <QString>
#include <span>

namespace talvena {

class TDataModule2;

// Fixed dictionary IDs the rules compare against.
inline constexpr int kSeismicMethod = 89;
inline constexpr int kElectricalMethod = 90;
inline constexpr int kStructuralDrillingMethod = 91;
inline constexpr int kOtherMethod = 92;
inline constexpr int kExplosiveSource = 108;

// A group of the survey methods: its number, the preparation method it stands for and the fields
// bound to it, in the order they are emptied.
struct MethodGroup {
    int number;
    int method;
    std::span<const char* const> fields;
};
std::span<const MethodGroup> MethodGroups();
// The number of the method group a PASPORTS field belongs to; 0 when none.
int MethodGroupOfField(const QByteArray& field);

// --- the rules -------------------------------------------------------------------------------
// Each writes into the pending edit of PASPORTS; the caller's action makes it one undo step.

// The exclusive method rule: editing method group `group` sets PREPARATIONMETHOD_ID to its
// method and empties every other group. Nothing while a passport is loading, while PASPORTS is
// not being edited, or while the rule (or the other-method rule) is itself clearing fields.
// The guard is never left set; a failing clear reaches the caller.
void SelectMethodGroup(TDataModule2& m, int group);
// Empties every field of the group.
void ClearMethodGroup(TDataModule2& m, int group);

// Choosing the federal district (FEDERALOKRUG_ID) empties the republic, krai and oblast;
// choosing one of those empties the other two.
void KeepOneSubject(TDataModule2& m, const QByteArray& chosenField);

// The text of an "other" method beside a method drop-down (SHOWINGUPMETHOD_ID: OTHERMETHOD2,
// PREPARATIONMETHOD_ID: OTHERMETHOD) is open while the method is the other method; otherwise the
// rule empties it (errors ignored), which is no edit of method group 4.
bool OtherMethodTextOpen(const TDataModule2& m, const QByteArray& methodField);
void OtherMethodRule(TDataModule2& m, const QByteArray& methodField);

// The source kind of method group 1 (DRIVINGTYPE_ID) or 2 (DRIVINGTYPE3D_ID): the charge
// placement applies unless the source is non-explosive, the non-explosive type unless it is
// explosive. The rule selects the group first, then empties what does not apply (errors ignored).
struct SourceKindQuestions {
    bool chargePlacement = true;
    bool nonExplosiveType = true;
};
SourceKindQuestions SourceKindOpen(const TDataModule2& m, int group);
void SourceKindRule(TDataModule2& m, int group);

// The supplementary geology texts (GEO_PROVINCE_DOP, GEO_OBLAST_DOP, GEO_RAION_DOP) are open only
// while their dictionary choice is empty; a user's choice empties a closed one (errors ignored).
// A passport file may hold both, and the model keeps them when it reads or changes them otherwise.
struct GeoDopText {
    const char* choiceField;
    const char* textField;
};
std::span<const GeoDopText> GeoDopTexts();
bool GeoDopTextOpen(const TDataModule2& m, const GeoDopText& pair);
void ClearClosedGeoDopTexts(TDataModule2& m);

// --- one user edit ---------------------------------------------------------------------------

// The rule a user's change of `field` sets off (the one its control's change handler runs);
// nothing for a field without one.
void FollowPassportEdit(TDataModule2& m, const QByteArray& field);

// Sets a PASPORTS field as the user would, with every rule it sets off, and posts the record: one
// undo step named `actionName`. A value the field refuses throws and leaves the record being edited.
void EditPassportField(TDataModule2& m, const QByteArray& field, const Value& value, const QString& actionName);
// The same with the value typed as text (CP1251), as the field's control takes it.
void TypePassportField(TDataModule2& m, const QByteArray& field, const QByteArray& text, const QString& actionName);

} // namespace talvena
