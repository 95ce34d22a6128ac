#include "model/contour_thinning.h"

#include <cmath>
#include <utility>

namespace talvena {

QList<QPointF> ThinOutForDrawing(const QList<QPointF>& points, const QRectF& frame, int cells)
{
    if (points.size() <= 2 || frame.width() <= 0 || frame.height() <= 0 || cells <= 0) return points;
    const double sx = cells / frame.width(), sy = cells / frame.height();
    auto cellOf = [&](const QPointF& p) {
        return std::pair{std::floor((p.x() - frame.left()) * sx), std::floor((p.y() - frame.top()) * sy)};
    };
    QList<QPointF> out;
    out.reserve(points.size());
    out.append(points.constFirst());
    auto lastCell = cellOf(points.constFirst());
    for (qsizetype i = 1; i + 1 < points.size(); ++i) {
        const auto cell = cellOf(points[i]);
        if (cell == lastCell) continue;
        out.append(points[i]);
        lastCell = cell;
    }
    out.append(points.constLast());
    return out;
}

} // namespace talvena
