#pragma once
// The contour chart: every productive horizon's contour as a line series two pixels wide, titled
// with the horizon's name, over a bottom axis "Долгота" and a left axis "Широта" fixed to the
// exact range of all points, with a legend. It holds nothing between refreshes: each one
// rebuilds it from nothing. Its context menu saves the chart as PNG or SVG.
#include "model/contour_editing.h"

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QRectF>

class QAction;
class QValueAxis;

namespace talvena {

class TContourChart : public QChartView {
public:
    explicit TContourChart(QWidget* parent = nullptr);

    // Replaces every series by those of `data` and fixes both axes to its range (to scale: widened
    // so that a kilometre is as long on both axes).
    void ShowContours(const ContourChartData& data);

    // "В масштабе": equal kilometres on both axes; off, the axes span exactly the points.
    void setToScale(bool on);
    bool toScale() const { return toScale_; }

    // Writes the chart as it is shown: SVG when the name ends in ".svg" (any letter case), PNG
    // otherwise. The previous file stays whole when anything fails; throws with the reason.
    void SaveImage(const QString& fileName);
    // "Сохранить график…": asks for the file, then saves; a cancelled dialog does nothing.
    void SaveImageAs();

    QValueAxis* axisX() const { return axisX_; }
    QValueAxis* axisY() const { return axisY_; }
    QAction* saveAction() const { return saveAction_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void fixAxes();

    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
    bool geographic_ = false;
    bool toScale_ = false;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    QAction* saveAction_;
    QString lastFolder_;
};

// The axis ranges that show `data` (the points' box) at one scale on both axes in a plot of
// `plot` pixels: one axis is widened about its centre. `xPerY` is how many kilometres a unit of X
// is against a unit of Y (the cosine of the middle latitude for degrees, 1 for metres).
QRectF RangeToScale(const QRectF& data, const QSizeF& plot, double xPerY);
// The same ratio for a chart's points: cos(middle latitude) when geographic, else 1.
double KilometreRatio(bool geographic, double minY, double maxY);

// The points a series draws: consecutive points that fall into the same cell of a grid of
// `cells` × `cells` over `frame` are drawn once, the first and last points always. A contour
// thinner than a pixel looks the same, and a million points do not stop the window painting.
QList<QPointF> ThinOutForDrawing(const QList<QPointF>& points, const QRectF& frame, int cells);

} // namespace talvena
