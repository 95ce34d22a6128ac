#pragma once
// How the main window runs the pickers. Each call creates a fresh dialog, presets it with the
// current value, shows it modally and destroys it before returning, so the stratigraphic filter
// of Dict16 is gone before anything is posted.
#include "table/value.h"

#include <QByteArray>
#include <functional>
#include <optional>

class QWidget;

namespace talvena {

class RecordTable;

// A modal picker: given the field's current value, the confirmed choice, or nothing when cancelled.
using Picker = std::function<std::optional<int>(const Value& current)>;

// The value a picker is preset with: an unset field gives 0, a real its nearest integer.
int PickerPreset(const Value& current);

// The scale picker: the confirmed scale denominator (0 for "Значение не задано").
std::optional<int> PickScale(QWidget* parent, const Value& current);
// The stratigraphic index picker over Dict16 (indexes) and Dict19 (systems): the confirmed ID.
std::optional<int> PickStratigraphicIndex(QWidget* parent, RecordTable& dict16, RecordTable& dict19,
                                          const Value& current);

Picker ScalePicker(QWidget* parent);
Picker StratigraphicIndexPicker(QWidget* parent, RecordTable& dict16, RecordTable& dict19);

// A picker box's button: opens the picker on the field of the current record; a confirmed choice
// puts the table into edit state (unless it is already editing or inserting) and is written into
// the field. Then, confirmed or cancelled, a table being edited or inserted is posted, so other
// pending changes of the record are committed too. Errors of the post reach the caller.
void PickIntoField(RecordTable& table, const QByteArray& fieldName, const Picker& pick);

// An edit button of a horizon grid: the column "_stratigr_id" picks STRATIGR_ID, "_scale" picks
// SCALE (letter case ignored); any other column opens nothing. The table is posted in every case
// when it is being edited or inserted.
void PickForGridColumn(RecordTable& table, const QByteArray& columnField, const Picker& scalePicker,
                       const Picker& indexPicker);

} // namespace talvena
