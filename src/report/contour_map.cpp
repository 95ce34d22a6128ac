#include "report/contour_map.h"

#include "base/cp1251.h"
#include "model/contour_area.h"
#include "model/contour_thinning.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace talvena {

namespace {

// Finer than the pen on paper: thinning cannot be seen, a million points stay a few thousand.
constexpr int kDrawingCells = 1500;

bool isGeographic(int coordType) { return coordType == 1 || coordType == 2; }
bool isProjected(int coordType) { return coordType == 3 || coordType == 4; }

const QColor kColours[] = {QColor(200, 30, 30),  QColor(30, 90, 200), QColor(20, 140, 60),  QColor(200, 120, 0),
                           QColor(130, 40, 160), QColor(0, 140, 150), QColor(120, 80, 40), QColor(200, 40, 140)};

QString number(double value, int decimals)
{
    QString s = QString::number(value, 'f', std::max(0, decimals));
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    return s;
}

int decimalsFor(double step) { return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 9); }

void addMap(ReportLayout& layout, const std::vector<const HorizonContour*>& contours, int coordType,
            const QString& title, const QString& caption, int firstColour)
{
    // The extent of every point, and a frame a little larger.
    QRectF extent;
    bool first = true;
    for (const HorizonContour* c : contours)
        for (const QPointF& p : c->points) {
            if (!std::isfinite(p.x()) || !std::isfinite(p.y())) continue;
            if (first) {
                extent = QRectF(p, QSizeF(0, 0));
                first = false;
            }
            extent.setLeft(std::min(extent.left(), p.x()));
            extent.setRight(std::max(extent.right(), p.x()));
            extent.setTop(std::min(extent.top(), p.y()));
            extent.setBottom(std::max(extent.bottom(), p.y()));
        }
    if (first) return;
    const double span = std::max({extent.width(), extent.height(), 1e-9});
    extent.adjust(-span * 0.05, -span * 0.05, span * 0.05, span * 0.05);
    // Geographic degrees of longitude are shorter than those of latitude away from the equator.
    const double aspectX =
        isGeographic(coordType) ? std::max(0.05, std::cos(extent.center().y() * std::numbers::pi / 180)) : 1.0;

    layout.newPage(extent.width() * aspectX > extent.height() * 1.2);
    layout.heading(title);
    layout.paragraph(caption);
    layout.skip(layout.mm(4));
    const QRectF area = layout.area();
    const double legendHeight = (contours.size() + 2) * layout.lineHeight(ReportFont::Body) + layout.mm(14);
    const double labelMargin = layout.mm(14);
    QRectF frame(area.left() + labelMargin, layout.y() + layout.mm(2), area.width() - labelMargin - layout.mm(4),
                 area.bottom() - layout.y() - legendHeight - labelMargin);
    // Same scale along both axes.
    const double scale = std::min(frame.width() / (extent.width() * aspectX), frame.height() / extent.height());
    const QSizeF drawn(extent.width() * aspectX * scale, extent.height() * scale);
    frame = QRectF(frame.left() + (frame.width() - drawn.width()) / 2, frame.top(), drawn.width(), drawn.height());
    auto toPage = [&](const QPointF& p) {
        return QPointF(frame.left() + (p.x() - extent.left()) * aspectX * scale,
                       frame.bottom() - (p.y() - extent.top()) * scale);
    };

    // The coordinate grid with its labels.
    const QPen gridPen(QColor(170, 170, 170), layout.mm(0.1), Qt::DashLine);
    const double stepX = NiceStep(extent.width(), 6), stepY = NiceStep(extent.height(), 6);
    const double labelH = layout.lineHeight(ReportFont::Small);
    for (double x = std::ceil(extent.left() / stepX) * stepX; x <= extent.right(); x += stepX) {
        const double px = toPage({x, extent.top()}).x();
        layout.line({px, frame.top()}, {px, frame.bottom()}, gridPen);
        layout.text(QRectF(px - layout.mm(15), frame.bottom() + layout.mm(1), layout.mm(30), labelH),
                    number(x, decimalsFor(stepX)), ReportFont::Small, Qt::AlignHCenter | Qt::AlignTop);
    }
    for (double y = std::ceil(extent.top() / stepY) * stepY; y <= extent.bottom(); y += stepY) {
        const double py = toPage({extent.left(), y}).y();
        layout.line({frame.left(), py}, {frame.right(), py}, gridPen);
        layout.text(QRectF(frame.left() - labelMargin, py - labelH / 2, labelMargin - layout.mm(1), labelH),
                    number(y, decimalsFor(stepY)), ReportFont::Small, Qt::AlignRight | Qt::AlignVCenter);
    }
    ReportItem border;
    border.kind = ReportItem::Kind::Rect;
    border.rect = frame;
    border.pen = QPen(Qt::black, layout.mm(0.25));
    layout.add(border);
    const bool geographic = isGeographic(coordType);
    const QString axisX = geographic ? QStringLiteral("Долгота, °") : QStringLiteral("X, м");
    const QString axisY = geographic ? QStringLiteral("Широта, °") : QStringLiteral("Y, м");
    double y = frame.bottom() + labelH + layout.mm(1.5);
    layout.text(QRectF(frame.left(), y, frame.width(), labelH), axisX, ReportFont::Small, Qt::AlignHCenter | Qt::AlignTop);
    layout.text(QRectF(area.left(), frame.top() - labelH - layout.mm(1), labelMargin * 2, labelH), axisY,
                ReportFont::Small, Qt::AlignLeft | Qt::AlignBottom);

    // The contours, closed when they have three points or more.
    for (size_t i = 0; i < contours.size(); ++i) {
        const HorizonContour& c = *contours[i];
        const QList<QPointF> thin = ThinOutForDrawing(c.points, extent, kDrawingCells);
        ReportItem item;
        item.pen = QPen(kColours[(size_t(firstColour) + i) % std::size(kColours)], layout.mm(0.35));
        item.pen.setJoinStyle(Qt::RoundJoin);
        for (const QPointF& p : thin)
            if (std::isfinite(p.x()) && std::isfinite(p.y())) item.points << toPage(p);
        if (item.points.isEmpty()) continue;
        if (item.points.size() >= 3) item.kind = ReportItem::Kind::Polygon;
        else {
            item.kind = ReportItem::Kind::Polyline;
            if (item.points.size() == 1) item.points << item.points.first() + QPointF(layout.mm(0.3), 0);
        }
        layout.add(std::move(item));
    }

    // Scale bar: a round length of about a fifth of the frame's width.
    y += labelH + layout.mm(3);
    if (geographic || isProjected(coordType)) {
        const double metresPerUnit = geographic ? 111320.0 * aspectX : 1.0; // along X
        const double frameMetres = frame.width() / scale / aspectX * metresPerUnit;
        const double barMetres = NiceStep(frameMetres / 5, 1);
        const double barLength = barMetres / metresPerUnit * aspectX * scale;
        const QPen barPen(Qt::black, layout.mm(0.5));
        layout.line({frame.left(), y + layout.mm(1)}, {frame.left() + barLength, y + layout.mm(1)}, barPen);
        layout.line({frame.left(), y}, {frame.left(), y + layout.mm(2)}, barPen);
        layout.line({frame.left() + barLength, y}, {frame.left() + barLength, y + layout.mm(2)}, barPen);
        const QString length = barMetres >= 1000 ? number(barMetres / 1000, decimalsFor(barMetres / 1000)) + " км"
                                                 : number(barMetres, 0) + " м";
        layout.text(QRectF(frame.left() + barLength + layout.mm(2), y - layout.mm(1), area.width() / 2, labelH),
                    QStringLiteral("Масштабная линейка: ") + length,
                    ReportFont::Small, Qt::AlignLeft | Qt::AlignTop);
        y += layout.mm(5);
    }

    // Legend: colour, horizon and the contour's area.
    layout.skip(y - layout.y());
    const double line = layout.lineHeight(ReportFont::Body);
    for (size_t i = 0; i < contours.size(); ++i) {
        const HorizonContour& c = *contours[i];
        const double ly = layout.y();
        layout.line({area.left(), ly + line / 2}, {area.left() + layout.mm(8), ly + line / 2},
                QPen(kColours[(size_t(firstColour) + i) % std::size(kColours)], layout.mm(0.8)));
        const auto km2 = ContourAreaKm2(c.coordType, std::span<const QPointF>(c.points.constData(), size_t(c.points.size())));
        QString name = cp1251ToUnicode(c.name).trimmed();
        if (name.isEmpty()) name = QStringLiteral("(без названия)");
        const QString area2 = km2 ? QStringLiteral("площадь %1 км²").arg(cp1251ToUnicode(ContourAreaText(km2)))
                                  : QStringLiteral("площадь не определена");
        layout.text(QRectF(area.left() + layout.mm(10), ly, area.width() - layout.mm(10), line),
                    QStringLiteral("%1 — %2 точек, %3").arg(name).arg(c.points.size()).arg(area2), ReportFont::Body,
                    Qt::AlignLeft | Qt::AlignTop);
        layout.skip(line);
    }
}

} // namespace

double NiceStep(double span, int wanted)
{
    if (!(span > 0) || wanted < 1) return 1;
    const double raw = span / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power * 1.0000001) return m * power;
    return 10 * power;
}

void AddContourMaps(ReportLayout& layout, const QString& title, const std::vector<HorizonContour>& contours,
                    const std::function<QString(int coordType)>& typeName)
{
    std::map<int, std::vector<const HorizonContour*>> byType;
    for (const HorizonContour& c : contours)
        if (!c.points.isEmpty()) byType[c.coordType].push_back(&c);
    if (byType.empty()) {
        layout.heading(title);
        layout.paragraph(QStringLiteral("Контуры ловушек не заданы."));
        return;
    }
    int colour = 0;
    for (const auto& [type, group] : byType) {
        const QString name = typeName(type);
        addMap(layout, group, type, title,
               QStringLiteral("Схема контуров ловушек. Тип координат: ") +
                   (name.isEmpty() ? QString::number(type) : name),
               colour);
        colour += int(group.size());
    }
}

} // namespace talvena
