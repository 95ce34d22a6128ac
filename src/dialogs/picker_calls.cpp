#include "dialogs/picker_calls.h"

#include "dialogs/scale_picker.h"
#include "dialogs/stratigraphic_picker.h"
#include "table/number_text.h"
#include "table/record_table.h"

#include <cmath>
#include <limits>

namespace talvena {

namespace {

bool editing(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

void postWhenEditing(RecordTable& t)
{
    if (editing(t)) t.post();
}

int clampToInt(int64_t v)
{
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return 0;
    return static_cast<int>(v);
}

} // namespace

int PickerPreset(const Value& current)
{
    if (current.isInteger()) return clampToInt(current.integerValue());
    if (current.isReal()) {
        const double r = std::round(current.realValue());
        return r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max() ? static_cast<int>(r) : 0;
    }
    int64_t v = 0;
    if (current.isBytes() && ParseIntegerText(current.bytesValue(), v)) return clampToInt(v);
    return 0;
}

std::optional<int> PickScale(QWidget* parent, const Value& current)
{
    TEditScaleForm form(parent);
    form.PresetScale(PickerPreset(current));
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.chosenScale();
}

std::optional<int> PickStratigraphicIndex(QWidget* parent, RecordTable& dict16, RecordTable& dict19,
                                          const Value& current)
{
    TSelecStratigrForm form(dict16, dict19, parent);
    form.PresetIndex(PickerPreset(current));
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.chosenIndex();
}

Picker ScalePicker(QWidget* parent)
{
    return [parent](const Value& current) { return PickScale(parent, current); };
}

Picker StratigraphicIndexPicker(QWidget* parent, RecordTable& dict16, RecordTable& dict19)
{
    return [parent, &dict16, &dict19](const Value& current) {
        return PickStratigraphicIndex(parent, dict16, dict19, current);
    };
}

void PickIntoField(RecordTable& table, const QByteArray& fieldName, const Picker& pick)
{
    Field& field = table.fieldByName(fieldName);
    if (const std::optional<int> chosen = pick(field.value())) {
        if (!editing(table)) table.edit();
        field.setInteger(*chosen);
    }
    postWhenEditing(table);
}

void PickForGridColumn(RecordTable& table, const QByteArray& columnField, const Picker& scalePicker,
                       const Picker& indexPicker)
{
    const QByteArray column = columnField.toLower();
    if (column == "_stratigr_id") PickIntoField(table, "STRATIGR_ID", indexPicker);
    else if (column == "_scale") PickIntoField(table, "SCALE", scalePicker);
    else postWhenEditing(table);
}

} // namespace talvena
