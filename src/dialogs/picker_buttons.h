#pragma once
// The two buttons under a picker: the one that confirms (the default button) and "Отказ".
class QDialog;
class QHBoxLayout;
class QPushButton;

namespace talvena {

struct PickerButtons {
    QPushButton* confirm;
    QPushButton* cancel;
    QHBoxLayout* row; // for the caller's layout, under the picker's content
};

// Makes the buttons of `dialog`, named `confirmName` and "cancelButton", accepting and rejecting
// it; the row holds them at its right, or in its middle when `centred`.
PickerButtons MakePickerButtons(QDialog* dialog, const char* confirmText, const char* confirmName, bool centred);

} // namespace talvena
