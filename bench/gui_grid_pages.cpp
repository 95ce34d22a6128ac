// The grid pages with a large passport in the real window (offscreen): 1,000 productive horizons
// with 1,000,000 contour points. Showing page 11 (its grids, without the chart refresh, which has
// its own benchmark), moving to another horizon in the upper grid with the point grid following and
// painted, and scrolling the point grid by a page.
#include "app/contour_page.h"
#include "app/grid_pages.h"
#include "gui/record_grid_view.h"
#include "bench_window.h"
#include "contour_table.h"

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

} // namespace
