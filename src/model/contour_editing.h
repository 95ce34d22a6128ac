#pragma once
// The three operations of the contour page over the data module: importing a contour from
// columns of text, clearing a contour, and the chart refresh that gathers every contour for
// drawing and corrects the point counts. No widgets: the page shows the dialog and draws.
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <functional>
#include <optional>
#include <vector>

namespace talvena {

class TDataModule2;

// What the page does to its point grid around the work: `detach` before the first point is
// touched, `attach` after the last, on every path. The contour table's own notifications are
// held back meanwhile in any case (one refresh at the end), so either may be left empty.
struct PointGridHooks {
    std::function<void()> detach;
    std::function<void()> attach;
};

// What the chart draws, rebuilt from nothing by every refresh.
struct ContourChartData {
    struct Series {
        QByteArray title;      // the horizon's STRATIGRSVIT, CP1251
        QList<QPointF> points; // (X, Y) in the contour's order, the first point again at the end
    };
    std::vector<Series> series; // one per productive horizon, in the horizon table's order
    // The least and greatest X and Y over every point; all 0 when there is none.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool hasPoints = false;
    // Every contour with points is in degrees (coordinate types 1 and 2): a kilometre along X is
    // shorter than one along Y by the cosine of the latitude.
    bool geographic = false;
};

// The numbers of the import dialog.
struct ContourImportSettings {
    int startLine = 1;       // first line to read, from 1; below 1 reads from line 1
    int lineCount = 0;       // lines to read; 0 up to the end, below 0 none
    int longitudeColumn = 1; // from 1
    int latitudeColumn = 2;  // from 1
};

// The horizon whose contour import and clearing change: the current productive horizon, posted
// first when it is being edited or inserted so that it has its ID. Throws
// kNoCurrentHorizonMessage when there is none.
extern const char* const kNoCurrentHorizonMessage;
bool HasCurrentProductHorizon(const TDataModule2& module);
// Makes the contour table show the current horizon's points, posting a horizon being typed first
// so that it has its ID; throws kNoCurrentHorizonMessage when there is no horizon.
void FollowCurrentHorizon(TDataModule2& module);

// The points the chosen lines of `text` (CP1251) give, in order. Each line: commas become points;
// tab, space and semicolon separate columns (runs of them and leading ones count once); a missing
// column ends the reading silently; the texts convert as degrees-minutes-seconds for coordinate
// type 1 and as plain numbers otherwise. A text that does not convert throws the converter's
// message with a second line "Строка N: «…»" naming the line.
std::vector<QPointF> ReadContourText(const QByteArray& text, const ContourImportSettings& settings, int coordType);

// Reads the whole text first (ReadContourText); only when it all converted and gave a point are the
// current horizon's points replaced, the chart refreshed and its data returned. A text without a
// point changes nothing and gives nothing; an error leaves every point as it was.
std::optional<ContourChartData> ImportContour(TDataModule2& module, const QByteArray& text,
                                             const ContourImportSettings& settings, const PointGridHooks& grid = {});

// Replaces the current horizon's points by `points` (X, Y as they are stored), then runs the chart
// refresh: what an import from a GIS file does once the points are in the horizon's system.
ContourChartData ReplaceContour(TDataModule2& module, const std::vector<QPointF>& points, const PointGridHooks& grid = {});

// Deletes every point of the current horizon, then runs the chart refresh.
ContourChartData ClearContour(TDataModule2& module, const PointGridHooks& grid = {});

// Gathers every productive horizon's contour for the chart, corrects each horizon's
// KONTURNUMPOINTS to its number of points (posting the horizon, which marks the passport
// modified) and makes the first horizon current.
ContourChartData RefreshContourChart(TDataModule2& module, const PointGridHooks& grid = {});

} // namespace talvena
