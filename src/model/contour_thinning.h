#pragma once
// Thinning of contour points for drawing, shared by the window's chart and the printed map.
#include <QList>
#include <QPointF>
#include <QRectF>

namespace talvena {

// The points a series draws: consecutive points that fall into the same cell of a grid of
// `cells` × `cells` over `frame` are drawn once, the first and last points always. A contour
// thinner than a pixel looks the same, and a million points do not stop the window painting.
QList<QPointF> ThinOutForDrawing(const QList<QPointF>& points, const QRectF& frame, int cells);

} // namespace talvena
