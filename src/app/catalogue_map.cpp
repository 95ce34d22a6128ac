#include "app/catalogue_map.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace talvena {

CatalogueMap::CatalogueMap(QWidget* parent) : QWidget(parent)
{
    setObjectName("CatalogueMap");
    setMinimumSize(240, 200);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void CatalogueMap::setRings(Rings rings)
{
    rings_ = std::move(rings);
    update();
}

void CatalogueMap::setChosen(qint64 passport)
{
    chosen_ = passport;
    update();
}

void CatalogueMap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double x0 = std::numeric_limits<double>::max(), x1 = -x0, y0 = x0, y1 = -x0;
    for (const auto& [id, rings] : rings_)
        for (const auto& ring : rings)
            for (const QPointF& p : ring) x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x()), y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
    if (x0 > x1) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Нет контуров"));
        return;
    }
    // A degree of longitude is shorter than one of latitude away from the equator.
    const double stretch = std::max(0.1, std::cos((y0 + y1) / 2 * M_PI / 180));
    const double w = std::max((x1 - x0) * stretch, 1e-6), h = std::max(y1 - y0, 1e-6);
    const QRectF area = QRectF(rect()).adjusted(10, 10, -10, -10);
    const double scale = std::min(area.width() / w, area.height() / h);
    const QPointF origin(area.center().x() - w * scale / 2, area.center().y() + h * scale / 2);
    const auto place = [&](const QPointF& p) { return QPointF(origin.x() + (p.x() - x0) * stretch * scale, origin.y() - (p.y() - y0) * scale); };
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [id, rings] : rings_) {
            const bool chosen = id == chosen_;
            if (chosen != (pass == 1)) continue;
            painter.setPen(QPen(chosen ? QColor(200, 30, 30) : QColor(30, 80, 160), chosen ? 2.5 : 1));
            painter.setBrush(chosen ? QColor(230, 80, 60, 90) : QColor(60, 120, 200, 50));
            for (const auto& ring : rings) {
                QPolygonF polygon;
                for (const QPointF& p : ring) polygon << place(p);
                painter.drawPolygon(polygon);
            }
        }
    }
    painter.setPen(Qt::darkGray);
    painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignBottom,
                     QStringLiteral("%1°–%2° в. д., %3°–%4° с. ш.")
                         .arg(x0, 0, 'f', 2).arg(x1, 0, 'f', 2).arg(y0, 0, 'f', 2).arg(y1, 0, 'f', 2));
}

} // namespace talvena
