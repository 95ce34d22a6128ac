#pragma once
// The grid pages 5 to 11: their grids, title strips and navigators built from the grid
// declarations, and their rules: the page entry checks with their warnings, the resource page
// filters, the visibility of the two recalculation columns, the height split on resize, sorting
// by a column title and the picker buttons of the horizon grids. The contour page's buttons and
// chart are the contour page's own; this controller lays out the page and calls its hooks.
#include "app/horizon_checks.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QPushButton;
class QSplitter;
class QWidget;

namespace talvena {

class GridLayouts;
class RecordGridView;
class RecordNavigator;
class TDataModule2;
class TMainForm;
class TitleStrip;
class UserInteraction;
class ValuePickers;

class GridPages : public QObject {
public:
    // The inner pages of the grids (indexes of the inner page control).
    static constexpr int kReflectingPage = kReflectingHorizonsPage;
    static constexpr int kQualityPage = 5;
    static constexpr int kProductivePage = kProductiveHorizonsPage;
    static constexpr int kOilPage = 7;
    static constexpr int kGasPage = 8;
    static constexpr int kCondensatePage = 9;
    static constexpr int kContourPage = 10;

    // Builds the grids into the window's inner pages and installs the entry handlers.
    GridPages(TMainForm& window, GridLayouts& layouts);

    RecordGridView* grid(const QString& objectName) const { return grids_.value(objectName); }

    // Page entry checks.
    void TabSheet7Enter();
    void TabSheet8Enter();
    void TabSheet9Enter();
    void TabSheet10Enter();
    void TabSheet11Enter();
    void TabSheet12Enter();
    void TabSheet13Enter();
    // The height split of pages 5 to 10 (index 4 to 9).
    void splitHeight(int pageIndex);
    // A click on a column title of JvDBGrid1 … JvDBGrid9.
    void JvDBGrid1TitleBtnClick(RecordGridView& grid, int column);
    void JvDBGrid1EditButtonClick(int column);
    void JvDBGrid3EditButtonClick(int column);

    // A button shown at the right end of a page's last title strip (pages 8 to 10).
    void addStripButton(int pageIndex, QWidget* button);

    // What the contour page's buttons and its entry do; the contour page installs them.
    std::function<void()> onImport, onGisImport, onClearContour, onRefreshChart;
    // The area of the contour page that holds the chart.
    QWidget* chartArea() const { return chartArea_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildListPage(int pageIndex);
    void buildContourPage();
    RecordGridView* makeGrid(const char* objectName, QWidget* parent);
    TitleStrip* makeStrip(const char* gridName, QWidget* parent);
    void resourcePageEnter(const QByteArray& filter);
    void warnAndReturn(const char* message, int pageIndex);
    void pickInGrid(const char* gridName, int column);

    TMainForm& window_;
    TDataModule2& dm_;
    UserInteraction& ui_;
    GridLayouts& layouts_;
    QHash<int, QWidget*> stripButtons_;
    QHash<QString, RecordGridView*> grids_;
    QHash<int, QWidget*> navigators_; // by page index
    QHash<int, QList<TitleStrip*>> strips_;
    QWidget* chartArea_ = nullptr;
};

} // namespace talvena
