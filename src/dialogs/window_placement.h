#pragma once
// Placement shared by the small fixed-size windows of the GUI.
class QWidget;

namespace talvena {

// Fixes the window at its current size and puts it in the middle of the screen it belongs to
// (its parent's screen, else the primary one). A window moved before it is shown keeps the place.
void FixAndCentreOnScreen(QWidget* window);

} // namespace talvena
