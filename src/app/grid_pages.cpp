#include "app/grid_pages.h"

#include "app/main_window.h"
#include "app/value_pickers.h"
#include "dialogs/picker_calls.h"
#include "gui/error_handler.h"
#include "gui/grid_clipboard.h"
#include "gui/record_grid_view.h"
#include "gui/record_navigator.h"
#include "gui/record_table_model.h"
#include "gui/title_strip.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "model/grid_decl.h"
#include "model/resources.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace talvena {

namespace {

// The navigator of pages 5 to 7 sits this far below the grid's top edge plus its height.
constexpr int kNavigatorOffset = 16;
constexpr int kContourGridHeight = 120;
constexpr int kContourPanelWidth = 425;
// Columns of JvDBGrid3 shown one at a time: the recalculation horizon picked or typed.
constexpr int kRecalcLookupColumn = 10;
constexpr int kRecalcTextColumn = 11;

const char* const kNoSuchHydrocarbon = "На объекте нет такого УВ";
const char* const kReflectingNotNeeded =
    "При использовании метода подготовки \"Электроразведка\", или \"Другой геофизический метод\", или "
    "\"Структурное бурение\" заполнение этой таблицы не требуется!";


struct ButtonDecl {
    const char* objectName;
    const char* caption;
    const char* hint;
};

constexpr ButtonDecl kContourButtons[] = {
    {"BitBtn10", "Импорт", ""},
    {"BitBtnGis", "Импорт из ГИС…", "Контур из файла ГИС: Shapefile, MapInfo, GeoPackage, KML, DXF, BLN, IRAP, ZMAP+"},
    {"BitBtn11", "Очистить контур", ""},
    {"BitBtn12", "Обновить график", "Обновить график по текущим данным"},
};

} // namespace

GridPages::GridPages(TMainForm& window, GridLayouts& layouts)
    : QObject(&window), window_(window), dm_(window.dataModule()), ui_(window.interaction()), layouts_(layouts)
{
    for (int page = kReflectingPage; page <= kCondensatePage; ++page) buildListPage(page);
    buildContourPage();

    const std::function<void()> enter[] = {
        [this] { TabSheet7Enter(); },  [this] { TabSheet8Enter(); },  [this] { TabSheet9Enter(); },
        [this] { TabSheet10Enter(); }, [this] { TabSheet11Enter(); }, [this] { TabSheet12Enter(); },
        [this] { TabSheet13Enter(); },
    };
    for (int i = 0; i < 7; ++i) window_.setInnerPageEnterHandler(kReflectingPage + i, enter[i]);
}

// --- building ------------------------------------------------------------------------------------

RecordGridView* GridPages::makeGrid(const char* objectName, QWidget* parent)
{
    const GridDecl& decl = *FindGrid(objectName);
    auto* grid = new RecordGridView(decl, *dm_.findTable(decl.table), parent);
    grids_.insert(grid->objectName(), grid);
    if (decl.sortableTitles) grid->onTitleClick = [this, grid](int column) { JvDBGrid1TitleBtnClick(*grid, column); };
    grid->onColumnsRearranged = [this, grid] { layouts_.setOrder(grid->decl().objectName, grid->shownOrder()); };
    // Pastes follow the passport's rules: points go to the current horizon, whose count follows.
    grid->clipboard()->target = [this, grid] {
        return ModuleGridTarget(dm_, grid->decl(), grid->clipboard()->shownColumns());
    };
    return grid;
}

TitleStrip* GridPages::makeStrip(const char* gridName, QWidget* parent)
{
    const GridDecl& decl = *FindGrid(gridName);
    return new TitleStrip(decl.stripText, decl.stripName, parent);
}

void GridPages::buildListPage(int pageIndex)
{
    QWidget* page = window_.innerPage(pageIndex);
    for (const GridDecl& decl : Grids()) {
        if (decl.page != pageIndex) continue;
        strips_[pageIndex].append(makeStrip(decl.objectName, page));
        makeGrid(decl.objectName, page);
        if (decl.navigatorName)
            navigators_.insert(pageIndex, new RecordNavigator(*dm_.findTable(decl.table), decl.navigatorButtons,
                                                               decl.navigatorName, page));
    }
    if (RecordGridView* g = grid("JvDBGrid1")) g->onEditButton = [this](int c) { JvDBGrid1EditButtonClick(c); };
    if (RecordGridView* g = grid("JvDBGrid3")) g->onEditButton = [this](int c) { JvDBGrid3EditButtonClick(c); };
    page->installEventFilter(this);
    splitHeight(pageIndex);
}

void GridPages::buildContourPage()
{
    QWidget* page = window_.innerPage(kContourPage);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeStrip("JvDBGrid10", page));

    auto* vertical = new QSplitter(Qt::Vertical, page);
    vertical->setObjectName(QStringLiteral("Splitter1"));
    vertical->setChildrenCollapsible(false);
    layout->addWidget(vertical, 1);
    makeGrid("JvDBGrid10", vertical);

    auto* horizontal = new QSplitter(Qt::Horizontal, vertical);
    horizontal->setObjectName(QStringLiteral("Splitter2"));
    horizontal->setChildrenCollapsible(false);
    auto* panel = new QWidget(horizontal);
    panel->setObjectName(QStringLiteral("Panel2"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    makeGrid("JvDBGrid14", panel);
    panelLayout->addWidget(grid("JvDBGrid14"), 1);
    const GridDecl& points = *FindGrid("JvDBGrid14");
    auto* navigator = new RecordNavigator(dm_.KONTUR, points.navigatorButtons, points.navigatorName, panel);
    navigators_.insert(kContourPage, navigator);
    panelLayout->addWidget(navigator);
    auto* buttons = new QHBoxLayout;
    const std::function<void()> GridPages::*actions[] = {&GridPages::onImport, &GridPages::onGisImport,
                                                          &GridPages::onClearContour, &GridPages::onRefreshChart};
    for (size_t i = 0; i < std::size(kContourButtons); ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kContourButtons[i].caption), panel);
        b->setObjectName(QString::fromLatin1(kContourButtons[i].objectName));
        if (kContourButtons[i].hint[0]) b->setToolTip(QString::fromUtf8(kContourButtons[i].hint));
        const auto action = actions[i];
        connect(b, &QPushButton::clicked, this, [this, action] {
            if (this->*action) RunGuarded(this->*action);
        });
        buttons->addWidget(b);
    }
    panelLayout->addLayout(buttons);

    chartArea_ = new QWidget(horizontal);
    chartArea_->setObjectName(QStringLiteral("ChartArea"));
    auto* chartLayout = new QVBoxLayout(chartArea_);
    chartLayout->setContentsMargins(0, 0, 0, 0);

    horizontal->addWidget(panel);
    horizontal->addWidget(chartArea_);
    horizontal->setStretchFactor(1, 1);
    horizontal->setSizes({kContourPanelWidth, 1000});
    vertical->setStretchFactor(1, 1);
    vertical->setSizes({kContourGridHeight, 1000});
}

bool GridPages::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        for (int page = kReflectingPage; page <= kCondensatePage; ++page)
            if (watched == window_.innerPage(page)) splitHeight(page);
    }
    return QObject::eventFilter(watched, event);
}

// TabSheet7Resize … TabSheet12Resize: the grids share the page's height, halved towards zero.
void GridPages::splitHeight(int pageIndex)
{
    QWidget* page = window_.innerPage(pageIndex);
    const QList<TitleStrip*> strips = strips_.value(pageIndex);
    QList<RecordGridView*> grids;
    for (const GridDecl& decl : Grids())
        if (decl.page == pageIndex) grids.append(grid(QString::fromLatin1(decl.objectName)));
    if (strips.size() != grids.size() || grids.isEmpty()) return;
    const int width = page->width();
    int stripsHeight = 0;
    for (TitleStrip* s : strips) stripsHeight += s->height();
    const int h = (page->height() - stripsHeight) / 2;
    int y = 0;
    for (int i = 0; i < grids.size(); ++i) {
        strips[i]->setGeometry(0, y, width, strips[i]->height());
        y += strips[i]->height();
        grids[i]->setGeometry(0, y, width, std::max(h, 0));
        y += std::max(h, 0);
    }
    if (QWidget* navigator = navigators_.value(pageIndex))
        navigator->setGeometry(0, h + kNavigatorOffset, width, navigator->sizeHint().height());
    if (QWidget* button = stripButtons_.value(pageIndex)) {
        const QRect strip = strips.last()->geometry();
        const int w = button->sizeHint().width();
        button->setGeometry(std::max(0, width - w - 4), strip.top() + 1, w, std::max(strip.height() - 2, 0));
        button->raise();
    }
}

void GridPages::addStripButton(int pageIndex, QWidget* button)
{
    button->setParent(window_.innerPage(pageIndex));
    stripButtons_.insert(pageIndex, button);
    button->show();
    splitHeight(pageIndex);
}

// --- page entry checks ---------------------------------------------------------------------------

void GridPages::warnAndReturn(const char* message, int pageIndex)
{
    ui_.showWarning(QString::fromUtf8(message));
    QCoreApplication::processEvents();
    window_.postSelectInnerPage(pageIndex);
}

void GridPages::TabSheet7Enter()
{
    dm_.CommitPendingEdits();
    if (!IsSeismicPreparation(PreparationMethod(dm_))) ui_.showWarning(QString::fromUtf8(kReflectingNotNeeded));
}

void GridPages::TabSheet8Enter()
{
    dm_.CommitPendingEdits();
    if (ReflectingHorizonsRequired(dm_)) warnAndReturn(kNoReflectingHorizons, kReflectingPage);
}

void GridPages::TabSheet9Enter()
{
    dm_.CommitPendingEdits();
    dm_.POSIB_PRODUCT_HOR.setFiltered(false);
    if (ReflectingHorizonsRequired(dm_)) warnAndReturn(kNoReflectingHorizons, kReflectingPage);
    // The recalculation horizon is picked from the reflecting horizons only where there are any to
    // pick from; otherwise it is typed.
    const bool seismic = IsSeismicPreparation(PreparationMethod(dm_));
    RecordGridView* g = grid("JvDBGrid3");
    g->setColumnHidden(kRecalcLookupColumn, !seismic);
    g->setColumnHidden(kRecalcTextColumn, seismic);
    layouts_.setHidden("JvDBGrid3", kRecalcLookupColumn, !seismic);
    layouts_.setHidden("JvDBGrid3", kRecalcTextColumn, seismic);
}

void GridPages::resourcePageEnter(const QByteArray& filter)
{
    dm_.CommitPendingEdits();
    RecordTable& horizons = dm_.POSIB_PRODUCT_HOR;
    horizons.setFiltered(false);
    if (ReflectingHorizonsRequired(dm_)) return warnAndReturn(kNoReflectingHorizons, kReflectingPage);
    if (horizons.recordCount() == 0) return warnAndReturn(kNoProductiveHorizons, kProductivePage);
    horizons.setFilterText(filter);
    horizons.setFiltered(true);
    if (horizons.recordCount() > 0) return;
    ui_.showWarning(QString::fromUtf8(kNoSuchHydrocarbon));
    horizons.setFiltered(false);
    QCoreApplication::processEvents();
    window_.postSelectInnerPage(kProductivePage);
}

void GridPages::TabSheet10Enter() { resourcePageEnter(HydrocarbonFilter(WithOil)); }
void GridPages::TabSheet11Enter() { resourcePageEnter(HydrocarbonFilter(WithGas)); }
void GridPages::TabSheet12Enter() { resourcePageEnter(HydrocarbonFilter(WithCondensate)); }

void GridPages::TabSheet13Enter()
{
    dm_.CommitPendingEdits();
    dm_.POSIB_PRODUCT_HOR.setFiltered(false);
    if (ReflectingHorizonsRequired(dm_)) return warnAndReturn(kNoReflectingHorizons, kReflectingPage);
    if (dm_.POSIB_PRODUCT_HOR.recordCount() == 0) return warnAndReturn(kNoProductiveHorizons, kProductivePage);
    if (onRefreshChart) onRefreshChart();
}

// --- sorting and pickers ---------------------------------------------------------------------------

void GridPages::JvDBGrid1TitleBtnClick(RecordGridView& g, int column)
{
    const bool descending = column == g.sortColumn() ? !g.sortDescending() : false;
    g.setSortMark(column, descending);
    QByteArray spec = SortFieldOf(g.decl().columns[size_t(column)]);
    if (descending) spec += ":desc";
    g.table().sort(spec);
}

void GridPages::pickInGrid(const char* gridName, int column)
{
    RecordGridView* g = grid(QString::fromLatin1(gridName));
    ValuePickers* pickers = window_.pickers();
    if (!g || !pickers) return;
    const Picker scale = [pickers](const Value& v) { return pickers->pickScale(PickerPreset(v)); };
    const Picker index = [pickers](const Value& v) { return pickers->pickStratigraphicIndex(PickerPreset(v)); };
    PickForGridColumn(g->table(), QByteArray(g->decl().columns[size_t(column)].field), scale, index);
}

void GridPages::JvDBGrid1EditButtonClick(int column) { pickInGrid("JvDBGrid1", column); }
void GridPages::JvDBGrid3EditButtonClick(int column) { pickInGrid("JvDBGrid3", column); }

} // namespace talvena
