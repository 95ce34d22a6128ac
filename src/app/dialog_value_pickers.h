#pragma once
// The pickers of the running program: the scale and stratigraphic index dialogs.
#include "app/value_pickers.h"

#include <QPointer>

#include <QWidget>

namespace talvena {

class TDataModule2;

class DialogValuePickers : public ValuePickers {
public:
    DialogValuePickers(TDataModule2& dataModule, QWidget* parent);

    std::optional<int> pickScale(int current) override;
    std::optional<int> pickStratigraphicIndex(int current) override;

private:
    TDataModule2& dataModule_;
    QPointer<QWidget> parent_;
};

} // namespace talvena
