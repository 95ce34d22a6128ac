// The grid pages with a large passport in the real window (offscreen): 1,000 productive horizons
// with 1,000,000 contour points. Showing page 11 (its grids, without the chart refresh, which has
// its own benchmark), moving to another horizon in the upper grid with the point grid following and
// painted, and scrolling the point grid by a page.
#include "app/contour_page.h"
#include "app/grid_pages.h"
#include "gui/grid_clipboard.h"
#include "gui/record_grid_view.h"
#include "bench_window.h"
#include "contour_table.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <memory>

using namespace talvena;

namespace {

constexpr int kHorizons = 1'000;
constexpr int kPoints = 1'000'000;

BenchWindow& window()
{
    static BenchWindow* w = [] {
        auto* win = new BenchWindow;
        TDataModule2& m = *win->dm;
        m.PASPORTS.fieldByName("PREPARATIONMETHOD_ID").setInteger(90); // no reflecting horizons needed
        m.PASPORTS.post();
        RecordTable& h = m.POSIB_PRODUCT_HOR;
        h.beginLoad();
        std::vector<Value> horizon(size_t(h.fieldCount()));
        const int id = h.fieldByName("ID").index(), name = h.fieldByName("STRATIGRSVIT").index(),
                  type = h.fieldByName("KONTURKOORDTYPE").index(), count = h.fieldByName("KONTURNUMPOINTS").index();
        for (int i = 1; i <= kHorizons; ++i) {
            std::vector<Value> values;
            for (int f = 0; f < h.fieldCount(); ++f) {
                if (!h.field(f).isData()) continue;
                if (f == id) values.push_back(Value::integer(i));
                else if (f == name) values.push_back(Value::bytes("H" + QByteArray::number(i)));
                else if (f == type) values.push_back(Value::integer(2));
                else if (f == count) values.push_back(Value::integer(kPoints / kHorizons));
                else values.push_back(Value());
            }
            h.loadRecord(values, 0);
        }
        h.endLoad();
        loadContourPoints(m.KONTUR, kPoints, kHorizons);
        h.first();
        win->show(QSize(1400, 1000));
        return win;
    }();
    return *w;
}

void paint(QWidget* w)
{
    QCoreApplication::processEvents();
    w->repaint();
}

void BM_ShowContourPage(benchmark::State& state)
{
    BenchWindow& w = window();
    GridPages& pages = w.form->gridPages();
    const auto refresh = pages.onRefreshChart;
    pages.onRefreshChart = nullptr; // the chart refresh is measured on its own
    for (auto _ : state) {
        w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
        paint(w.form->innerPage(GridPages::kContourPage));
        state.PauseTiming();
        w.form->PageControl2()->setCurrentIndex(0);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    pages.onRefreshChart = refresh;
}
BENCHMARK(BM_ShowContourPage)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_MoveToAnotherHorizonInTheUpperGrid(benchmark::State& state)
{
    BenchWindow& w = window();
    w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
    QCoreApplication::processEvents();
    RecordGridView* upper = w.form->gridPages().grid("JvDBGrid10");
    RecordGridView* points = w.form->gridPages().grid("JvDBGrid14");
    int row = 0;
    for (auto _ : state) {
        row = (row + 397) % kHorizons;
        upper->setCurrentIndex(upper->model()->index(row, 0));
        paint(points->viewport());
    }
    if (points->model()->rowCount() != kPoints / kHorizons) state.SkipWithError("the point grid did not follow");
}
BENCHMARK(BM_MoveToAnotherHorizonInTheUpperGrid)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_ScrollThePointGridByAPage(benchmark::State& state)
{
    BenchWindow& w = window();
    w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
    RecordGridView* points = w.form->gridPages().grid("JvDBGrid14");
    QScrollBar* bar = points->verticalScrollBar();
    paint(points->viewport());
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
        paint(points->viewport());
    }
}
BENCHMARK(BM_ScrollThePointGridByAPage)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_ChartRefreshOfEveryContour(benchmark::State& state)
{
    BenchWindow& w = window();
    w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
    for (auto _ : state) {
        w.form->contourPage().BitBtn12Click();
        paint(w.form->innerPage(GridPages::kContourPage));
    }
}
BENCHMARK(BM_ChartRefreshOfEveryContour)->Unit(benchmark::kMillisecond)->Iterations(3);

// 100,000 coordinate pairs as a spreadsheet copies them, with decimal commas.
QString spreadsheetPairs(int rows)
{
    QString text;
    for (int i = 0; i < rows; ++i)
        text += QStringLiteral("%1,%2\t%3,%4\r\n").arg(37 + i % 3).arg(i % 1000, 3, 10, QChar('0')).arg(55).arg(i % 997);
    return text;
}

// Ctrl+V in the point grid of a horizon with 1,000 points: 100,000 pairs from the clipboard
// replace them and append the rest, the grid is painted again; undone between rounds.
void BM_PasteCoordinatePairsIntoThePointGrid(benchmark::State& state)
{
    BenchWindow& w = window();
    w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
    RecordGridView* points = w.form->gridPages().grid("JvDBGrid14");
    QCoreApplication::processEvents();
    auto* data = new QMimeData;
    data->setText(spreadsheetPairs(100'000));
    QApplication::clipboard()->setMimeData(data);
    for (auto _ : state) {
        points->setCurrentIndex(points->model()->index(0, 0));
        points->clipboard()->paste();
        paint(points->viewport());
        if (points->model()->rowCount() != 100'000) state.SkipWithError("the pairs were not pasted");
        state.PauseTiming();
        w.dm->journal().undo();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PasteCoordinatePairsIntoThePointGrid)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Ctrl+A and Ctrl+C in a point grid of 100,000 points: both clipboard forms.
void BM_CopyAllRowsOfThePointGrid(benchmark::State& state)
{
    BenchWindow& w = window();
    w.form->PageControl2()->setCurrentIndex(GridPages::kContourPage);
    RecordGridView* points = w.form->gridPages().grid("JvDBGrid14");
    auto* data = new QMimeData;
    data->setText(spreadsheetPairs(100'000));
    QApplication::clipboard()->setMimeData(data);
    points->setCurrentIndex(points->model()->index(0, 0));
    points->clipboard()->paste();
    QCoreApplication::processEvents();
    points->selectAll();
    for (auto _ : state) points->clipboard()->copy();
    if (ReadTabText(QApplication::clipboard()->text()).height() != 100'000) state.SkipWithError("not every row was copied");
    w.dm->journal().undo();
}
BENCHMARK(BM_CopyAllRowsOfThePointGrid)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
