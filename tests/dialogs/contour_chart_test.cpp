#include "dialogs/contour_chart.h"
#include "gui/scripted_interaction.h"

#include <QAction>
#include <QChart>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

ContourChartData twoContours()
{
    ContourChartData d;
    d.series.push_back({"\xDE" "1", {{76.5, 58.5}, {76.6, 58.5}, {76.55, 58.6}, {76.5, 58.5}}}); // "Ю1"
    d.series.push_back({"B", {{76.7, 58.4}, {76.9, 58.45}, {76.8, 58.55}, {76.7, 58.4}}});
    d.series.push_back({"empty", {}});
    d.minX = 76.5;
    d.maxX = 76.9;
    d.minY = 58.4;
    d.maxY = 58.6;
    d.hasPoints = true;
    return d;
}

QList<QLineSeries*> lineSeries(TContourChart& c)
{
    QList<QLineSeries*> out;
    for (QAbstractSeries* s : c.chart()->series()) out.append(qobject_cast<QLineSeries*>(s));
    return out;
}

TEST(ContourChart, OneClosedLinePerHorizonOnFixedAxes)
{
    TContourChart c;
    EXPECT_EQ(c.objectName(), "Chart1");
    EXPECT_EQ(c.chart()->title(), "Схема контуров");
    EXPECT_EQ(c.axisX()->titleText(), "Долгота");
    EXPECT_EQ(c.axisY()->titleText(), "Широта");
    EXPECT_EQ(c.chart()->axes(Qt::Horizontal).value(0), c.axisX());
    EXPECT_EQ(c.axisX()->alignment(), Qt::AlignBottom);
    EXPECT_EQ(c.axisY()->alignment(), Qt::AlignLeft);
    EXPECT_TRUE(c.chart()->legend()->isVisible());

    // Every refresh starts from nothing.
    c.ShowContours(twoContours());
    c.ShowContours(twoContours());
    const auto series = lineSeries(c);
    ASSERT_EQ(series.size(), 3);
    EXPECT_EQ(series[0]->name(), "Ю1");
    EXPECT_EQ(series[1]->name(), "B");
    EXPECT_EQ(series[0]->count(), 4);
    EXPECT_EQ(series[0]->at(3), series[0]->at(0));
    EXPECT_EQ(series[2]->count(), 0);
    for (QLineSeries* s : series) {
        EXPECT_EQ(s->pen().width(), 2);
        EXPECT_EQ(s->attachedAxes().size(), 2);
    }
    EXPECT_NE(series[0]->pen().color(), series[1]->pen().color());
    EXPECT_EQ(c.chart()->legend()->markers().size(), 3);
    EXPECT_DOUBLE_EQ(c.axisX()->min(), 76.5);
    EXPECT_DOUBLE_EQ(c.axisX()->max(), 76.9);
    EXPECT_DOUBLE_EQ(c.axisY()->min(), 58.4);
    EXPECT_DOUBLE_EQ(c.axisY()->max(), 58.6);

    // A single value has no span to draw on: it gets one unit either side.
    ContourChartData point;
    point.series.push_back({"P", {{5, 7}, {5, 7}}});
    point.minX = point.maxX = 5;
    point.minY = point.maxY = 7;
    c.ShowContours(point);
    EXPECT_EQ(lineSeries(c).size(), 1);
    EXPECT_DOUBLE_EQ(c.axisX()->min(), 4);
    EXPECT_DOUBLE_EQ(c.axisX()->max(), 6);
    EXPECT_EQ(lineSeries(c)[0]->name(), "P");
    EXPECT_EQ(lineSeries(c)[0]->count(), 2);

    // Nothing of an earlier refresh stays.
    c.ShowContours(twoContours());
    ASSERT_EQ(lineSeries(c).size(), 3);
    EXPECT_EQ(lineSeries(c)[0]->name(), "Ю1");
    EXPECT_EQ(lineSeries(c)[0]->at(1), QPointF(76.6, 58.5));
    EXPECT_EQ(lineSeries(c)[2]->count(), 0);
    c.ShowContours(ContourChartData{});
    EXPECT_TRUE(c.chart()->series().isEmpty());
}

TEST(ContourChart, ThinningKeepsTheOutlineWithinACell)
{
    const QRectF frame(0, 0, 100, 100);
    QList<QPointF> pts{{0, 0}, {0.001, 0.001}, {0.002, 0}, {50, 50}, {50.001, 50}, {99, 1}, {0.0001, 0}};
    EXPECT_EQ(ThinOutForDrawing(pts, frame, 1000),
              (QList<QPointF>{{0, 0}, {50, 50}, {99, 1}, {0.0001, 0}}));
    // Coarse cells drop more; the first and last points always stay.
    EXPECT_EQ(ThinOutForDrawing(pts, frame, 1), (QList<QPointF>{{0, 0}, {0.0001, 0}}));
    // Nothing to thin.
    EXPECT_EQ(ThinOutForDrawing(pts, QRectF(), 1000), pts);

    // A thousand points round a contour a thousandth of the frame wide draw as a few.
    QList<QPointF> tiny;
    for (int i = 0; i < 1000; ++i) tiny.append({50 + 0.05 * std::cos(i / 159.0), 50 + 0.05 * std::sin(i / 159.0)});
    EXPECT_LE(ThinOutForDrawing(tiny, frame, 4096).size(), 40);
}

class ChartSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        installUserInteraction(&ui);
        chart.resize(640, 480);
        chart.ShowContours(twoContours());
        // Saved as shown: laid out on screen, the legend included.
        chart.show();
        QCoreApplication::processEvents();
    }
    void TearDown() override { installUserInteraction(nullptr); }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ScriptedInteraction ui;
    TContourChart chart;
    QTemporaryDir dir;
};

TEST_F(ChartSaveTest, WritesPngOrSvgByTheFileName)
{
    const QString png = dir.path() + "/chart.png";
    chart.SaveImage(png);
    QImage image;
    ASSERT_TRUE(image.load(png, "PNG"));
    EXPECT_EQ(image.size(), QSize(640, 480) * chart.devicePixelRatio());
    EXPECT_GT(image.pixelColor(0, 0).lightness(), 200); // drawn on white

    const QString svg = dir.path() + "/chart.SVG";
    chart.SaveImage(svg);
    const QString text = QString::fromUtf8(read(svg));
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("Схема контуров"));
    EXPECT_TRUE(text.contains(">Ю1<"));
}

TEST_F(ChartSaveTest, TheContextMenuAsksForTheFileAndReportsFailures)
{
    EXPECT_EQ(chart.contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_TRUE(chart.actions().contains(chart.saveAction()));
    EXPECT_EQ(chart.saveAction()->text(), "Сохранить график…");

    chart.saveAction()->trigger(); // cancelled
    EXPECT_EQ(ui.dialogTitles, QStringList{"Сохранить график"});
    EXPECT_EQ(ui.dialogFilters, QStringList{"Рисунок PNG (*.png);;Рисунок SVG (*.svg)"});
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    ui.fileNames = {dir.path() + "/a.svg"};
    chart.saveAction()->trigger();
    EXPECT_TRUE(read(dir.path() + "/a.svg").contains("<svg"));

    // A folder that does not exist: a message, no file, the previous one untouched.
    ui.fileNames = {dir.path() + "/none/b.png"};
    chart.saveAction()->trigger();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_TRUE(ui.boxes[0].text.startsWith("Не удалось записать файл")) << ui.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.path() + "/none/b.png"));
}

} // namespace
