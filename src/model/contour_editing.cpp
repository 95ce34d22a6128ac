#include "model/contour_editing.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/contour_collection.h"
#include "model/coordinates.h"
#include "model/data_module.h"
#include "table/number_text.h"

#include <algorithm>
#include <utility>

namespace talvena {

const char* const kNoCurrentHorizonMessage =
    "Нет текущего возможного продуктивного горизонта. Контур относится к горизонту: "
    "добавьте горизонт на странице «7.Возможные продуктивные горизонты».";

namespace {

// Holds the contour table's notifications and the page's point grid for the length of a scope.
class DetachedPointGrid {
public:
    DetachedPointGrid(RecordTable& points, const PointGridHooks& hooks) : points_(points), hooks_(hooks)
    {
        points_.suspendRefresh();
        if (hooks_.detach) hooks_.detach();
    }
    ~DetachedPointGrid()
    {
        if (hooks_.attach) hooks_.attach();
        points_.resumeRefresh();
    }
    DetachedPointGrid(const DetachedPointGrid&) = delete;
    DetachedPointGrid& operator=(const DetachedPointGrid&) = delete;

private:
    RecordTable& points_;
    const PointGridHooks& hooks_;
};

// Point counts gathered while points are deleted and appended one by one, written once.
class PointCountHold {
public:
    explicit PointCountHold(TDataModule2& module) : module_(module) { module_.holdPointCounts(); }
    ~PointCountHold()
    {
        if (!held_) return;
        // Only on the way out of a failure, whose error is the one reported; the next chart
        // refresh writes a count that could not be written here.
        try {
            module_.releasePointCounts();
        } catch (...) {
        }
    }
    void release()
    {
        held_ = false;
        module_.releasePointCounts();
    }
    PointCountHold(const PointCountHold&) = delete;
    PointCountHold& operator=(const PointCountHold&) = delete;

private:
    TDataModule2& module_;
    bool held_ = true;
};

bool editing(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

// Makes the current horizon one with an ID whose points the contour table shows.
void followCurrentHorizon(TDataModule2& m)
{
    if (!HasCurrentProductHorizon(m)) throw Error(kNoCurrentHorizonMessage);
    RecordTable& horizons = m.POSIB_PRODUCT_HOR;
    m.KONTUR.settle();
    // A new horizon takes its ID when posted; the points then belong to it and to no other.
    if (editing(horizons)) horizons.post();
    const Value id = horizons.fieldByName("ID").value();
    if (id.isNull()) throw Error(kNoCurrentHorizonMessage);
    // A post does not move the contour table to the horizon's points; a visit does.
    const QByteArray filter = "HEAD_ID=" + FormatInteger(id.integerValue());
    if (!m.KONTUR.filtered() || m.KONTUR.filterText() != filter) horizons.locate("ID", id);
}

// Lines as a memo holds them: CR LF, LF or CR end a line; a break at the very end adds none.
QList<QByteArray> splitLines(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r') continue;
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

bool isColumnSeparator(char c) { return c == '\t' || c == ' ' || c == ';'; }

// The text of a column (from 1) of a line; false when the line has no such column.
bool columnText(const QByteArray& line, int column, QByteArray& out)
{
    if (column < 1) return false;
    int n = 0;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && isColumnSeparator(line[i])) ++i;
        if (i == line.size()) break;
        const qsizetype start = i;
        while (i < line.size() && !isColumnSeparator(line[i])) ++i;
        if (++n == column) {
            out = line.mid(start, i - start);
            return true;
        }
    }
    return false;
}

double convertCoordinate(int coordType, const QByteArray& text)
{
    if (coordType == 1) return ParseDegreesMinutesSeconds(text);
    double value;
    if (!ParseFloatText(text, value))
        throw Error(formatMessage("'%s' is not a valid floating point value", {cp1251ToUtf8(text).toStdString()}));
    return value;
}

// "Строка N: «text»" under a conversion error, so the user finds the line; a long line is cut.
std::string lineReference(int64_t number, const QByteArray& line)
{
    constexpr qsizetype kShown = 80;
    QString shown = cp1251ToUnicode(line.left(kShown)).trimmed();
    if (line.size() > kShown) shown += QChar(0x2026);
    return formatMessage("Строка %s: «%s»", {std::to_string(number), shown.toStdString()});
}

ContourChartData refreshChart(TDataModule2& m)
{
    RecordTable& horizons = m.POSIB_PRODUCT_HOR;
    // What is being typed counts, as when the horizons are walked.
    m.KONTUR.settle();
    horizons.settle();

    ContourChartData chart;
    std::vector<std::pair<int32_t, int64_t>> counts;
    std::vector<HorizonContour> contours = CollectContours(horizons, m.KONTUR);
    chart.series.reserve(contours.size());
    bool allInDegrees = true;
    for (HorizonContour& c : contours) {
        if (!c.points.isEmpty() && c.coordType != 1 && c.coordType != 2) allInDegrees = false;
        ContourChartData::Series s;
        s.title = std::move(c.name);
        s.points = std::move(c.points);
        for (const QPointF& p : std::as_const(s.points)) {
            if (!chart.hasPoints) {
                chart.minX = chart.maxX = p.x();
                chart.minY = chart.maxY = p.y();
                chart.hasPoints = true;
                continue;
            }
            chart.minX = std::min(chart.minX, p.x());
            chart.maxX = std::max(chart.maxX, p.x());
            chart.minY = std::min(chart.minY, p.y());
            chart.maxY = std::max(chart.maxY, p.y());
        }
        if (c.hasId) counts.emplace_back(c.horizonId, s.points.size());
        if (!s.points.isEmpty()) s.points.append(s.points.constFirst()); // closes the outline
        chart.series.push_back(std::move(s));
    }
    chart.geographic = chart.hasPoints && allInDegrees;
    m.CorrectPointCounts(counts);
    // The first horizon becomes current, whichever was before; the contour table follows it.
    if (horizons.active() && horizons.recordCount() > 0) horizons.first();
    return chart;
}

} // namespace

bool HasCurrentProductHorizon(const TDataModule2& module)
{
    const RecordTable& horizons = module.POSIB_PRODUCT_HOR;
    return horizons.active() && (editing(horizons) || horizons.currentPosition() >= 0);
}

void FollowCurrentHorizon(TDataModule2& module) { followCurrentHorizon(module); }

std::optional<ContourChartData> ImportContour(TDataModule2& m, const QByteArray& text,
                                             const ContourImportSettings& settings, const PointGridHooks& grid)
{
    if (!HasCurrentProductHorizon(m)) throw Error(kNoCurrentHorizonMessage);
    const EditJournal::Action action(&m.journal(), QStringLiteral("Импорт контура"));
    const int coordType = static_cast<int>(m.POSIB_PRODUCT_HOR.fieldByName("KONTURKOORDTYPE").asInteger());
    // Everything is read before a point is touched: a bad line or a text without points leaves
    // the contour as it was.
    const std::vector<QPointF> read = ReadContourText(text, settings, coordType);
    if (read.empty()) return std::nullopt;
    return ReplaceContour(m, read, grid);
}

ContourChartData ReplaceContour(TDataModule2& m, const std::vector<QPointF>& newPoints, const PointGridHooks& grid)
{
    DetachedPointGrid detached(m.KONTUR, grid);
    followCurrentHorizon(m);
    const EditJournal::Action action(&m.journal(), QStringLiteral("Импорт контура"));
    RecordTable& points = m.KONTUR;
    Field& x = points.fieldByName("X");
    Field& y = points.fieldByName("Y");
    {
        PointCountHold hold(m);
        m.DeleteShownContourPoints();
        for (const QPointF& p : newPoints) {
            points.append();
            x.setFloat(p.x());
            y.setFloat(p.y());
            points.post();
        }
        hold.release();
    }
    return refreshChart(m);
}

std::vector<QPointF> ReadContourText(const QByteArray& text, const ContourImportSettings& settings, int coordType)
{
    std::vector<QPointF> read;
    const QList<QByteArray> lines = splitLines(text);
    const int64_t lineTotal = lines.size();
    const int64_t first = std::max<int64_t>(settings.startLine, 1) - 1;
    const int64_t count = settings.lineCount == 0 ? lineTotal : settings.lineCount;
    const int64_t end = std::min(lineTotal, first + std::max<int64_t>(count, 0));
    for (int64_t i = first; i < end; ++i) {
        const QByteArray& original = lines[static_cast<qsizetype>(i)];
        QByteArray line = original;
        line.replace(',', '.');
        QByteArray longitude, latitude;
        if (!columnText(line, settings.longitudeColumn, longitude) ||
            !columnText(line, settings.latitudeColumn, latitude))
            break;
        try {
            const double lon = convertCoordinate(coordType, longitude);
            const double lat = convertCoordinate(coordType, latitude);
            read.emplace_back(lon, lat);
        } catch (const Error& e) {
            throw Error(std::string(e.what()) + "\n" + lineReference(i + 1, original));
        }
    }
    return read;
}

ContourChartData ClearContour(TDataModule2& m, const PointGridHooks& grid)
{
    DetachedPointGrid detached(m.KONTUR, grid);
    followCurrentHorizon(m);
    const EditJournal::Action action(&m.journal(), QStringLiteral("Очистка контура"));
    m.DeleteShownContourPoints();
    return refreshChart(m);
}

ContourChartData RefreshContourChart(TDataModule2& m, const PointGridHooks& grid)
{
    DetachedPointGrid detached(m.KONTUR, grid);
    return refreshChart(m);
}

} // namespace talvena
