#include "model/passport_check.h"

#include "base/cp1251.h"
#include "model/contour_area.h"
#include "model/data_module.h"
#include "model/field_schema.h"
#include "model/resources.h"
#include "model/table_schemas.h"
#include "table/number_text.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace talvena {

namespace {

// --- the rules as data -----------------------------------------------------------------------------

// Passport fields a reviewer wants filled: the object name, its region and its years.
const char* const kRequiredPassportFields[] = {
    "OBJECTNAME",           "FEDERALOKRUG_ID",    "SHOWINGUPYEAR",    "STARTPREPARATIONYEAR",
    "ENDPREPARATIONYEAR",   "REPORTYEAR",         "PREPAREDFUNDYEAR",
};
// The subject of the federation is one of these.
const char* const kSubjectFields[] = {"REPUBLIC_ID", "KRAI_ID", "OBLAST_ID"};

// A deterministic value and the minimum and maximum typed for it on the probabilistic grid; checked
// for the horizons whose kind has the resources of `group`.
struct RangeRule {
    unsigned group;
    const char* value;
    const char* min;
    const char* max;
};
const RangeRule kRangeRules[] = {
    {WithOil, "SQUARENEFTENOSN", "OILSQUAREMIN", "OILSQUAREMAX"},
    {WithOil, "EFECTOILWIDTH", "OILWIDTHMIN", "OILWIDTHMAX"},
    {WithOil, "OILKOEFOTKRPORIST", "OILKOEFOTKRPORMIN", "OILKOEFOTKRPORMAX"},
    {WithOil, "KOEFOILNASUSH", "OILNASUSHMIN", "OILNASUSHMAX"},
    {WithOil, "OILPLOTN", "OILPLOTNSURFMIN", "OILPLOTNSURFMAX"},
    {WithOil, "OILPERERASCHKOEF", "OILKOEFPERERASCHMIN", "OILKOEFPERERASCHMAX"},
    {WithOil, "KOEFOILIZVL", "OILKOEFIZVLECHMIN", "OILKOEFIZVLECHMAX"},
    {WithGas, "SQUAREGAZONOSN", "GAZSQUAREMIN", "GAZSQUAREMAX"},
    {WithGas, "EFECTGAZWIDTH", "GAZWIDTHMIN", "GAZWIDTHMAX"},
    {WithGas, "GAZKOEFOTKRPORIST", "GAZKOEFOTKRPORMIN", "GAZKOEFOTKRPORMAX"},
    {WithGas, "KOEFGAZNASUSH", "GAZNASUSHMIN", "GAZNASUSHMAX"},
    {WithGas, "GAZSTARTPLASTPREASURE", "GAZSTARTPREASUREMIN", "GAZSTARTPREASUREMAX"},
    {WithGas, "GAZKOEFSZIM", "GAZKOEFSZIMMIN", "GAZKOEFSZIMMAX"},
    {WithGas, "GAZTEMPERPOPR", "GAZTEMPERPOPRMIN", "GAZTEMPERPOPRMAX"},
    {WithGas, "GAZSODSUH", "SODSIHGORMIN", "SODSIHGORMAX"},
    {WithCondensate, "GAZCONDAVGSTARTCONSIST", "GAZCONNACHSODKONDMIN", "GAZCONNACHSODKONDMAX"},
    {WithCondensate, "GAZCONDKOEFIZVLECH", "GAZCONKOEFIZVLECHMIN", "GAZCONKOEFIZVLECHMAX"},
};

// Areas typed for a horizon that its contour's area should agree with; 0 for every horizon.
struct AreaRule {
    unsigned group;
    const char* field;
};
const AreaRule kAreaRules[] = {
    {0, "POSIBLESQUARE"},
    {WithOil, "SQUARENEFTENOSN"},
    {WithGas, "SQUAREGAZONOSN"},
};

// --- texts ---------------------------------------------------------------------------------------

QString captionOf(std::span<const FieldDecl> schema, const char* field)
{
    const FieldDecl* d = FindFieldDecl(schema, field);
    QString caption = d ? QString::fromUtf8(d->caption).trimmed() : QString::fromLatin1(field);
    // "Площадь нефтеносности, (кв.км.)" reads better without the comma before the unit.
    caption.replace(QStringLiteral(", ("), QStringLiteral(" ("));
    return caption;
}

QString number(double v) { return QString::fromLatin1(FormatFloatGeneral(v)); }

bool blank(const Value& v) { return v.isNull() || (v.isBytes() && v.bytesValue().trimmed().isEmpty()); }

// --- geometry -------------------------------------------------------------------------------------

int sign(double v) { return (v > 0) - (v < 0); }

double cross(const QPointF& o, const QPointF& a, const QPointF& b)
{
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// r lies on the line through p and q: is it within their box?
bool within(const QPointF& p, const QPointF& q, const QPointF& r)
{
    return std::min(p.x(), q.x()) <= r.x() && r.x() <= std::max(p.x(), q.x()) && std::min(p.y(), q.y()) <= r.y() &&
           r.y() <= std::max(p.y(), q.y());
}

// Whether segments ab and cd have a point in common (touching counts).
bool segmentsMeet(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d)
{
    const int d1 = sign(cross(c, d, a)), d2 = sign(cross(c, d, b));
    const int d3 = sign(cross(a, b, c)), d4 = sign(cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    return (d1 == 0 && within(c, d, a)) || (d2 == 0 && within(c, d, b)) || (d3 == 0 && within(a, b, c)) ||
           (d4 == 0 && within(a, b, d));
}

struct Outline {
    std::vector<QPointF> points;
    std::vector<int> original; // index of each point in the outline given
};

Outline distinctPoints(std::span<const QPointF> in)
{
    Outline o;
    for (size_t i = 0; i < in.size(); ++i) {
        if (!o.points.empty() && o.points.back() == in[i]) continue;
        o.points.push_back(in[i]);
        o.original.push_back(static_cast<int>(i));
    }
    while (o.points.size() > 1 && o.points.back() == o.points.front()) {
        o.points.pop_back();
        o.original.pop_back();
    }
    return o;
}

} // namespace

std::optional<std::pair<int, int>> FindSelfCrossing(std::span<const QPointF> outline)
{
    const Outline o = distinctPoints(outline);
    const int m = static_cast<int>(o.points.size());
    if (m < 4) return std::nullopt;
    for (const QPointF& p : o.points)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return std::nullopt;
    auto edgeStart = [&](int i) { return o.points[size_t(i)]; };
    auto edgeEnd = [&](int i) { return o.points[size_t((i + 1) % m)]; };
    auto neighbours = [&](int i, int j) { return j == i + 1 || (i == 0 && j == m - 1); };
    // The least pair (i, j), i < j, over every meeting, so that the answer does not depend on the
    // order in which pairs are looked at.
    std::optional<std::pair<int, int>> best;
    auto test = [&](int i, int j) {
        if (i > j) std::swap(i, j);
        if (i == j || neighbours(i, j)) return;
        if (best && std::pair(i, j) >= *best) return;
        if (segmentsMeet(edgeStart(i), edgeEnd(i), edgeStart(j), edgeEnd(j))) best = std::pair(i, j);
    };

    constexpr int kDirectLimit = 64;
    if (m <= kDirectLimit) {
        for (int i = 0; i < m; ++i)
            for (int j = i + 2; j < m; ++j) test(i, j);
    } else {
        // Each edge goes into every cell its box touches; only edges sharing a cell can meet.
        double minX = o.points[0].x(), maxX = minX, minY = o.points[0].y(), maxY = minY;
        for (const QPointF& p : o.points) {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
        const int side = std::max(1, static_cast<int>(std::sqrt(double(m))));
        const double cellW = (maxX - minX) / side, cellH = (maxY - minY) / side;
        auto cellOf = [side](double v, double origin, double size) {
            if (size <= 0) return 0;
            return std::clamp(static_cast<int>((v - origin) / size), 0, side - 1);
        };
        struct Span {
            int x0, x1, y0, y1;
        };
        std::vector<Span> spans(static_cast<size_t>(m));
        std::vector<uint32_t> start(static_cast<size_t>(side) * side + 1, 0);
        for (int i = 0; i < m; ++i) {
            const QPointF a = edgeStart(i), b = edgeEnd(i);
            Span s{cellOf(std::min(a.x(), b.x()), minX, cellW), cellOf(std::max(a.x(), b.x()), minX, cellW),
                   cellOf(std::min(a.y(), b.y()), minY, cellH), cellOf(std::max(a.y(), b.y()), minY, cellH)};
            spans[size_t(i)] = s;
            for (int y = s.y0; y <= s.y1; ++y)
                for (int x = s.x0; x <= s.x1; ++x) ++start[size_t(y) * side + x + 1];
        }
        for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
        std::vector<int> cells(start.back());
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (int i = 0; i < m; ++i) {
            const Span& s = spans[size_t(i)];
            for (int y = s.y0; y <= s.y1; ++y)
                for (int x = s.x0; x <= s.x1; ++x) cells[fill[size_t(y) * side + x]++] = i;
        }
        for (size_t c = 0; c + 1 < start.size(); ++c)
            for (uint32_t a = start[c]; a < start[c + 1]; ++a)
                for (uint32_t b = a + 1; b < start[c + 1]; ++b) test(cells[a], cells[b]);
    }
    if (!best) return std::nullopt;
    return std::pair(o.original[size_t(best->first)], o.original[size_t(best->second)]);
}

std::vector<PassportFinding> CheckPassport(TDataModule2& m)
{
    std::vector<PassportFinding> out;

    // The passport's own fields.
    RecordTable& passport = m.PASPORTS;
    const auto passportSchema = PasportsSchema();
    const int32_t passportId = passport.active() ? static_cast<int32_t>(passport.fieldByName("ID").asInteger()) : 0;
    auto passportValue = [&](const char* f) { return passport.active() ? passport.fieldByName(f).value() : Value(); };
    for (const char* f : kRequiredPassportFields)
        if (blank(passportValue(f)))
            out.push_back({"emptyField", "PASPORTS", passportId, f,
                           QStringLiteral("Не заполнено поле «%1».").arg(captionOf(passportSchema, f))});
    if (std::all_of(std::begin(kSubjectFields), std::end(kSubjectFields), [&](const char* f) { return blank(passportValue(f)); }))
        out.push_back({"emptyField", "PASPORTS", passportId, "REPUBLIC_ID",
                       QStringLiteral("Не указан субъект федерации: республика, край или область.")});

    // The contour points of every horizon, in the contour table's order.
    const RecordTable& points = m.KONTUR;
    const Field& head = points.fieldByName("HEAD_ID");
    const Field& pointId = points.fieldByName("ID");
    const Field& px = points.fieldByName("X");
    const Field& py = points.fieldByName("Y");
    std::unordered_map<int32_t, std::vector<uint32_t>> pointRows;
    for (int i = 0; i < points.storedCount(); ++i) {
        const uint32_t row = points.storedRow(i);
        if (!points.rowIsNull(row, head)) pointRows[points.rowInteger(row, head)].push_back(row);
    }

    const RecordTable& horizons = m.POSIB_PRODUCT_HOR;
    const auto horizonSchema = ProductHorizonsSchema();
    const Field& idField = horizons.fieldByName("ID");
    const Field& nameField = horizons.fieldByName("STRATIGRSVIT");
    const Field& kindField = horizons.fieldByName("UV_ID");
    const Field& coordField = horizons.fieldByName("KONTURKOORDTYPE");
    for (int i = 0; i < horizons.storedCount(); ++i) {
        const uint32_t row = horizons.storedRow(i);
        const int32_t id = horizons.rowIsNull(row, idField) ? 0 : horizons.rowInteger(row, idField);
        const QString shownName = cp1251ToUnicode(horizons.rowBytes(row, nameField)).trimmed();
        const QString horizon = shownName.isEmpty() ? QStringLiteral("Горизонт № %1").arg(i + 1)
                                                    : QStringLiteral("Горизонт «%1»").arg(shownName);
        auto add = [&](const char* kind, const char* table, int32_t recordId, const char* field, const QString& text) {
            out.push_back({kind, table, recordId, field, horizon + QStringLiteral(": ") + text});
        };
        auto real = [&](const char* f) -> std::optional<double> {
            const Value v = horizons.rowValue(row, horizons.fieldByName(f));
            if (v.isNull()) return std::nullopt;
            return v.isReal() ? v.realValue() : double(v.integerValue());
        };

        const bool hasKind = !horizons.rowIsNull(row, kindField);
        const unsigned groups = hasKind ? ResourcesOfHydrocarbon(horizons.rowInteger(row, kindField)) : 0;
        if (!hasKind)
            add("noHydrocarbonKind", "POSIB_PRODUCT_HOR", id, "UV_ID", QStringLiteral("не указан вид углеводородов (УВ)."));

        for (const RangeRule& r : kRangeRules) {
            if (!(groups & r.group)) continue;
            const std::optional<double> value = real(r.value), min = real(r.min), max = real(r.max);
            if (!value || !((min && *value < *min) || (max && *value > *max))) continue;
            const QString range = min && max ? QStringLiteral("от %1 до %2").arg(number(*min), number(*max))
                                  : min      ? QStringLiteral("не меньше %1").arg(number(*min))
                                             : QStringLiteral("не больше %1").arg(number(*max));
            add("outsideRange", "POSIB_PRODUCT_HOR", id, r.value,
                QStringLiteral("«%1» = %2 вне диапазона минимума и максимума (%3).")
                    .arg(captionOf(horizonSchema, r.value), number(*value), range));
        }

        std::vector<QPointF> contour;
        std::vector<int32_t> contourIds;
        if (auto it = pointRows.find(id); id != 0 && it != pointRows.end()) {
            for (uint32_t p : it->second) {
                contour.emplace_back(points.rowIsNull(p, px) ? 0.0 : points.rowReal(p, px),
                                     points.rowIsNull(p, py) ? 0.0 : points.rowReal(p, py));
                contourIds.push_back(points.rowInteger(p, pointId));
            }
        }
        if (contour.empty()) {
            add("noContour", "POSIB_PRODUCT_HOR", id, "KONTURNUMPOINTS", QStringLiteral("нет контура ловушки."));
            continue;
        }
        if (contour.size() < 3) {
            add("contourPoints", "POSIB_PRODUCT_HOR", id, "KONTURNUMPOINTS",
                QStringLiteral("в контуре %1, нужно не меньше трёх.")
                    .arg(contour.size() == 1 ? QStringLiteral("одна точка") : QStringLiteral("две точки")));
            continue;
        }
        if (const auto crossing = FindSelfCrossing(contour)) {
            const int a = crossing->first, b = crossing->second;
            add("contourCrossing", "KONTUR", contourIds[size_t(b)], "X",
                QStringLiteral("контур пересекает сам себя: отрезок от точки %1 и отрезок от точки %2.").arg(a + 1).arg(b + 1));
            continue;
        }
        const int coordType = horizons.rowIsNull(row, coordField) ? 0 : horizons.rowInteger(row, coordField);
        const std::optional<double> area = ContourAreaKm2(coordType, contour);
        if (!area) continue;
        for (const AreaRule& r : kAreaRules) {
            if (r.group && !(groups & r.group)) continue;
            const std::optional<double> declared = real(r.field);
            if (!declared || *declared <= 0 || std::abs(*area - *declared) <= kAreaTolerance * *declared) continue;
            const double percent = std::round(std::abs(*area - *declared) / *declared * 100);
            add("contourArea", "POSIB_PRODUCT_HOR", id, r.field,
                QStringLiteral("площадь контура %1 кв.км отличается от «%2» = %3 на %4 %.")
                    .arg(QString::fromLatin1(ContourAreaText(area)), captionOf(horizonSchema, r.field),
                         number(*declared), QString::number(percent, 'f', 0)));
        }
    }
    return out;
}

} // namespace talvena
