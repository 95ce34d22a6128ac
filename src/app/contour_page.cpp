#include "app/contour_page.h"

#include "app/grid_pages.h"
#include "app/main_window.h"
#include "base/cp1251.h"
#include "dialogs/contour_chart.h"
#include "dialogs/contour_commands.h"
#include "dialogs/gis_contour_dialogs.h"
#include "gui/record_grid_view.h"
#include "gui/user_settings.h"
#include "model/contour_editing.h"
#include "model/data_module.h"

#include <QCheckBox>
#include <QLayout>

namespace talvena {

namespace {
const char* const kToScaleKey = "contourChart/toScale";
}

ContourPage::ContourPage(TMainForm& window, GridPages& pages)
    : QObject(&window), window_(window), dm_(window.dataModule()), horizons_(pages.grid("JvDBGrid10")),
      points_(pages.grid("JvDBGrid14")), chart_(new TContourChart(pages.chartArea())),
      areas_(dm_.POSIB_PRODUCT_HOR, dm_.KONTUR)
{
    // "В масштабе", kept in the user's settings.
    auto* toScale = new QCheckBox(QStringLiteral("В &масштабе"), pages.chartArea());
    toScale->setObjectName(QStringLiteral("ToScaleBox"));
    toScale->setToolTip(QStringLiteral("Один километр одинаковой длины по обеим осям"));
    toScale->setChecked(UserSettings()->value(QLatin1String(kToScaleKey), false).toBool());
    chart_->setToScale(toScale->isChecked());
    connect(toScale, &QCheckBox::toggled, this, [this](bool on) {
        chart_->setToScale(on);
        UserSettings()->setValue(QLatin1String(kToScaleKey), on);
    });
    pages.chartArea()->layout()->addWidget(toScale);
    pages.chartArea()->layout()->addWidget(chart_);
    pages.onImport = [this] { BitBtn10Click(); };
    pages.onGisImport = [this] { gisImportClick(); };
    pages.onClearContour = [this] { BitBtn11Click(); };
    pages.onRefreshChart = [this] { BitBtn12Click(); };
    horizons_->addComputedColumn("Площадь контура (кв.км.)",
                                 [this](uint32_t row) { return cp1251ToUnicode(areas_.textOfRow(row)); });
    dm_.KONTUR.addObserver(this);
}

ContourPage::~ContourPage() { dm_.KONTUR.removeObserver(this); }

// The point grid stops painting while a contour is rewritten and shows the result once.
PointGridHooks ContourPage::pointGrid() const
{
    RecordGridView* grid = points_;
    return {[grid] { grid->setUpdatesEnabled(false); }, [grid] { grid->setUpdatesEnabled(true); }};
}

void ContourPage::BitBtn10Click()
{
    if (const std::optional<ContourChartData> data = RunContourImport(&window_, dm_, pointGrid()))
        chart_->ShowContours(*data);
}

void ContourPage::gisImportClick()
{
    if (const std::optional<ContourChartData> data = RunGisContourImport(&window_, dm_, pointGrid()))
        chart_->ShowContours(*data);
}

void ContourPage::BitBtn11Click() { chart_->ShowContours(ClearContour(dm_, pointGrid())); }

void ContourPage::BitBtn12Click() { chart_->ShowContours(RefreshContourChart(dm_, pointGrid())); }

// A point that changed changes its contour's area.
void ContourPage::tableChanged(RecordTable&, TableChange) { horizons_->viewport()->update(); }

} // namespace talvena
