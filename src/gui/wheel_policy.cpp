#include "gui/wheel_policy.h"

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

namespace talvena {

namespace {

constexpr const char* kFilterName = "talvenaWheelPolicy";

bool holdsFocus(const QWidget* control)
{
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == control || control->isAncestorOf(focused));
}

// Hands the turn to the holders of the control, innermost first, until one takes it. Doing this
// here rather than relying on Qt's propagation makes it the same for turns sent by code.
void passToHolders(QWidget* control, const QWheelEvent& e)
{
    for (QWidget* holder = control->parentWidget(); holder; holder = holder->parentWidget()) {
        QWheelEvent copy(holder->mapFromGlobal(e.globalPosition()), e.globalPosition(), e.pixelDelta(),
                         e.angleDelta(), e.buttons(), e.modifiers(), e.phase(), e.inverted(), e.source());
        QCoreApplication::sendEvent(holder, &copy);
        if (copy.isAccepted() || holder->isWindow()) return;
    }
}

class WheelPolicy : public QObject {
public:
    explicit WheelPolicy(QWidget* control) : QObject(control), control_(control) { setObjectName(kFilterName); }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::Wheel || holdsFocus(control_)) return false;
        passToHolders(control_, *static_cast<QWheelEvent*>(e));
        e->accept(); // taken care of: Qt does not hand it on a second time
        return true;
    }

private:
    QWidget* control_;
};

void noWheelFocus(QWidget* w)
{
    if ((w->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus) w->setFocusPolicy(Qt::StrongFocus);
}

} // namespace

void takeWheelOnlyWithFocus(QWidget* control)
{
    if (!control || control->findChild<WheelPolicy*>(kFilterName, Qt::FindDirectChildrenOnly)) return;
    noWheelFocus(control);
    for (QWidget* child : control->findChildren<QWidget*>()) noWheelFocus(child);
    control->installEventFilter(new WheelPolicy(control));
}

} // namespace talvena
