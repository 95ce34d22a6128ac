#include "dialogs/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace talvena {

void FixAndCentreOnScreen(QWidget* window)
{
    window->setFixedSize(window->size());
    QScreen* screen = window->parentWidget() ? window->parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

} // namespace talvena
