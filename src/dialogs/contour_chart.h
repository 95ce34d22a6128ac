#pragma once
// The contour chart: every productive horizon's contour as a line series two pixels wide, titled
// with the horizon's name, over a bottom axis "Долгота" and a left axis "Широта" fixed to the
// exact range of all points, with a legend. It holds nothing between refreshes: each one
// rebuilds it from nothing. Its context menu saves the chart as PNG or SVG.
#include "model/contour_editing.h"
#include "model/contour_thinning.h"

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

    // Replaces every series by those of `data` and fixes both axes to its range.
    void ShowContours(const ContourChartData& data);

    // Writes the chart as it is shown: SVG when the name ends in ".svg" (any letter case), PNG
    // otherwise. The previous file stays whole when anything fails; throws with the reason.
    void SaveImage(const QString& fileName);
    // "Сохранить график…": asks for the file, then saves; a cancelled dialog does nothing.
    void SaveImageAs();

    QValueAxis* axisX() const { return axisX_; }
    QValueAxis* axisY() const { return axisY_; }
    QAction* saveAction() const { return saveAction_; }

private:
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    QAction* saveAction_;
    QString lastFolder_;
};


} // namespace talvena
