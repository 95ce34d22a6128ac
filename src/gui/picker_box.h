#pragma once
// A read-only text box with a button beside it that opens a picker dialog.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace talvena {

class PickerBox : public QWidget {
public:
    explicit PickerBox(QWidget* parent = nullptr);

    QLineEdit* textBox() const { return text_; }
    QToolButton* button() const { return button_; }
    QString text() const;

private:
    QLineEdit* text_;
    QToolButton* button_;
};

} // namespace talvena
