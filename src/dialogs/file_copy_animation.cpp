#include "dialogs/file_copy_animation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace talvena {

namespace {

void drawFolder(QPainter& p, const QRectF& body, bool open)
{
    const QColor edge(150, 110, 20);
    p.setPen(QPen(edge, 1));
    // The tab sits on the back sheet, at its left.
    QPainterPath back;
    back.moveTo(body.left(), body.top());
    back.lineTo(body.left() + 3, body.top() - 5);
    back.lineTo(body.left() + 16, body.top() - 5);
    back.lineTo(body.left() + 19, body.top());
    back.lineTo(body.right(), body.top());
    back.lineTo(body.right(), body.bottom());
    back.lineTo(body.left(), body.bottom());
    back.closeSubpath();
    p.setBrush(QColor(222, 170, 45));
    p.drawPath(back);
    // The front flap leans forward when the folder is open to receive.
    const qreal lean = open ? 6 : 0;
    QPolygonF front;
    front << QPointF(body.left() + lean, body.top() + 6) << QPointF(body.right() + lean, body.top() + 6)
          << QPointF(body.right(), body.bottom()) << QPointF(body.left(), body.bottom());
    p.setBrush(QColor(250, 210, 90));
    p.drawPolygon(front);
}

void drawSheet(QPainter& p, QPointF centre, qreal angleDegrees)
{
    p.save();
    p.translate(centre);
    p.rotate(angleDegrees);
    const QRectF sheet(-8, -10, 16, 20);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(120, 140, 200), 1));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(-5, -6 + 4 * i), QPointF(5, -6 + 4 * i));
    p.restore();
}

} // namespace

FileCopyAnimation::FileCopyAnimation(QWidget* parent) : QWidget(parent)
{
    setObjectName("copyAnimation");
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrameCount;
        update();
    });
}

void FileCopyAnimation::showEvent(QShowEvent*) { timer_.start(); }

void FileCopyAnimation::hideEvent(QHideEvent*) { timer_.stop(); }

void FileCopyAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal midX = width() / 2.0;
    const QRectF from(midX - 100, 22, 44, 30);
    const QRectF to(midX + 56, 22, 44, 30);
    drawFolder(p, from, false);
    drawFolder(p, to, true);

    // The sheet rises out of the left folder, arcs over and drops into the right one.
    const qreal t = qreal(frame_) / (kFrameCount - 1);
    const qreal x = from.center().x() + (to.center().x() - from.center().x()) * t;
    const qreal y = from.top() + 4 - std::sin(t * std::numbers::pi) * 14;
    drawSheet(p, QPointF(x, y), -25 + 50 * t);
}

} // namespace talvena
