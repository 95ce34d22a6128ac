#include "app/dialog_value_pickers.h"

#include "dialogs/picker_calls.h"
#include "model/data_module.h"

namespace talvena {

DialogValuePickers::DialogValuePickers(TDataModule2& dataModule, QWidget* parent)
    : dataModule_(dataModule), parent_(parent)
{
}

std::optional<int> DialogValuePickers::pickScale(int current) { return PickScale(parent_, Value::integer(current)); }

std::optional<int> DialogValuePickers::pickStratigraphicIndex(int current)
{
    return PickStratigraphicIndex(parent_, *dataModule_.dict(16), *dataModule_.dict(19), Value::integer(current));
}

} // namespace talvena
