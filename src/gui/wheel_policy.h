#pragma once
// Controls that change their value on a mouse-wheel turn (spinners, drop-downs, picker boxes, grid
// editors) take the wheel only while they have the focus. A turn over an unfocused control goes to
// what holds it, so the page under the pointer scrolls and no value changes unseen; the turn does
// not give the control the focus either.
class QWidget;

namespace talvena {

// Installs the policy on a control (its child widgets included). Safe to call more than once.
void takeWheelOnlyWithFocus(QWidget* control);

} // namespace talvena
