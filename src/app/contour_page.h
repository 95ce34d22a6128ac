#pragma once
// The contour page's own part: the chart beside the point grid, the three buttons (import, clear,
// refresh), the refresh on entering the page, and each contour's area beside its point count.
#include "model/contour_area.h"
#include "table/table_observer.h"

#include <QObject>

namespace talvena {

class GridPages;
class RecordGridView;
class TContourChart;
class TDataModule2;
class TMainForm;
struct PointGridHooks;

class ContourPage : public QObject, public TableObserver {
public:
    ContourPage(TMainForm& window, GridPages& pages);
    ~ContourPage() override;

    TContourChart* chart() const { return chart_; }

    void BitBtn10Click(); // "Импорт"
    void gisImportClick(); // "Импорт из ГИС…"
    void BitBtn11Click(); // "Очистить контур"
    void BitBtn12Click(); // "Обновить график", also on entering the page

    void tableChanged(RecordTable& table, TableChange change) override;

private:
    PointGridHooks pointGrid() const;

    TMainForm& window_;
    TDataModule2& dm_;
    RecordGridView* horizons_;
    RecordGridView* points_;
    TContourChart* chart_;
    ContourAreas areas_;
};

} // namespace talvena
