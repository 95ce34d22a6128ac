#include "dialogs/contour_chart.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "dialogs/chart_image.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"

#include <QAction>
#include <QChart>
#include <QFileInfo>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <cmath>

namespace talvena {

namespace {

// About a pixel of the largest plot a screen holds: thinning out to it does not show.
constexpr int kDrawingCells = 2048;

// Distinct colours for neighbouring contours, taken in turn.
constexpr QRgb kSeriesColours[] = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b,
                                   0xe377c2, 0x17becf, 0xbcbd22, 0x7f7f7f, 0x393b79, 0xad494a};

// An axis needs a span to draw on: a single value gets one unit on either side.
void fixRange(QValueAxis* axis, double low, double high)
{
    if (!(high > low)) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
    // Enough decimals for five ticks to differ, no more.
    const double step = (high - low) / 4;
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(step))) + 1, 0, 9);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

} // namespace

QRectF RangeToScale(const QRectF& data, const QSizeF& plot, double xPerY)
{
    if (plot.width() <= 0 || plot.height() <= 0 || !(xPerY > 0)) return data;
    // Kilometres each axis spans now; the scale that fits both is the smaller pixels per km.
    const double kmX = data.width() * xPerY, kmY = data.height();
    if (!(kmX > 0) && !(kmY > 0)) return data;
    const double pixelsPerKm = std::min(kmX > 0 ? plot.width() / kmX : INFINITY, kmY > 0 ? plot.height() / kmY : INFINITY);
    const double width = plot.width() / pixelsPerKm / xPerY, height = plot.height() / pixelsPerKm;
    const QPointF centre = data.center();
    return QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height);
}

double KilometreRatio(bool geographic, double minY, double maxY)
{
    if (!geographic) return 1;
    const double latitude = std::clamp((minY + maxY) / 2, -89.0, 89.0);
    return std::cos(latitude * M_PI / 180);
}

TContourChart::TContourChart(QWidget* parent) : QChartView(parent)
{
    setObjectName("Chart1");
    setRenderHint(QPainter::Antialiasing);
    auto* c = new QChart;
    c->setTitle("Схема контуров");
    c->legend()->setVisible(true);
    c->legend()->setAlignment(Qt::AlignRight);
    axisX_ = new QValueAxis;
    axisX_->setTitleText("Долгота");
    axisY_ = new QValueAxis;
    axisY_->setTitleText("Широта");
    c->addAxis(axisX_, Qt::AlignBottom);
    c->addAxis(axisY_, Qt::AlignLeft);
    fixRange(axisX_, 0, 0);
    fixRange(axisY_, 0, 0);
    setChart(c);

    saveAction_ = new QAction(QStringLiteral("Сохранить график…"), this);
    saveAction_->setObjectName("saveChartAction");
    connect(saveAction_, &QAction::triggered, this, Guarded([this](bool) { SaveImageAs(); }));
    addAction(saveAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TContourChart::fixAxes()
{
    fixRange(axisX_, minX_, maxX_);
    fixRange(axisY_, minY_, maxY_);
    if (!toScale_) return;
    const QRectF shown(QPointF(axisX_->min(), axisY_->min()), QPointF(axisX_->max(), axisY_->max()));
    const QRectF scaled = RangeToScale(shown, chart()->plotArea().size(), KilometreRatio(geographic_, minY_, maxY_));
    fixRange(axisX_, scaled.left(), scaled.right());
    fixRange(axisY_, scaled.top(), scaled.bottom());
}

void TContourChart::setToScale(bool on)
{
    toScale_ = on;
    fixAxes();
}

void TContourChart::resizeEvent(QResizeEvent* e)
{
    QChartView::resizeEvent(e);
    if (toScale_) fixAxes();
}

void TContourChart::ShowContours(const ContourChartData& data)
{
    QChart* c = chart();
    minX_ = data.minX;
    maxX_ = data.maxX;
    minY_ = data.minY;
    maxY_ = data.maxY;
    geographic_ = data.geographic;
    fixAxes();
    // Thinned out over the points' own range (as the axes show it unscaled), whatever the axes show.
    const auto span = [](double low, double high) { return high > low ? std::pair{low, high} : std::pair{low - 1, high + 1}; };
    const auto [left, right] = span(minX_, maxX_);
    const auto [bottom, top] = span(minY_, maxY_);
    const QRectF frame(QPointF(left, bottom), QPointF(right, top));
    // Every series gets all its points and its title anew; the series objects themselves are
    // kept for the next refresh, because creating and attaching a thousand of them costs far
    // more than refilling them.
    QList<QAbstractSeries*> existing = c->series();
    while (existing.size() > static_cast<qsizetype>(data.series.size())) {
        QAbstractSeries* extra = existing.takeLast();
        c->removeSeries(extra);
        delete extra;
    }
    for (size_t i = 0; i < data.series.size(); ++i) {
        QLineSeries* series;
        if (static_cast<qsizetype>(i) < existing.size()) {
            series = static_cast<QLineSeries*>(existing[static_cast<qsizetype>(i)]);
        } else {
            series = new QLineSeries;
            c->addSeries(series);
            series->attachAxis(axisX_);
            series->attachAxis(axisY_);
            QPen pen(QColor::fromRgb(kSeriesColours[i % std::size(kSeriesColours)]));
            pen.setWidth(2);
            series->setPen(pen);
        }
        const ContourChartData::Series& s = data.series[i];
        series->setName(cp1251ToUnicode(s.title));
        series->replace(ThinOutForDrawing(s.points, frame, kDrawingCells));
    }
}

void TContourChart::SaveImage(const QString& fileName) { SaveChartImage(*this, fileName); }

void TContourChart::SaveImageAs()
{
    const QString name = userInteraction().saveFileName(
        QStringLiteral("Сохранить график"), QStringLiteral("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"), lastFolder_,
        QStringLiteral("png"));
    if (name.isEmpty()) return;
    lastFolder_ = QFileInfo(name).absolutePath();
    SaveImage(name);
}

} // namespace talvena
