#include "gui/picker_box.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace talvena {

PickerBox::PickerBox(QWidget* parent) : QWidget(parent)
{
    text_ = new QLineEdit(this);
    text_->setReadOnly(true);
    button_ = new QToolButton(this);
    button_->setText(QStringLiteral("…"));
    button_->setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(text_, 1);
    layout->addWidget(button_);
    setFocusProxy(text_);
}

QString PickerBox::text() const { return text_->text(); }

} // namespace talvena
