#include "report/simulated_resources.h"

#include "base/cp1251.h"
#include "model/data_module.h"
#include "model/resource_simulation_table.h"
#include "report/contour_map.h"

#include <algorithm>
#include <cmath>

namespace talvena {

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Fine enough that the curve's steps cannot be seen on paper.
constexpr int kHistogramBins = 120;

const QColor kCurveColour(30, 90, 200);

QString tick(double value, double step)
{
    const int decimals = std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 9);
    QString s = QString::number(value, 'f', decimals);
    if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0) s.remove(0, 1);
    return s;
}

QString horizonName(const HorizonSimulationInput& in)
{
    const QString name = cp1251ToUnicode(in.name).trimmed();
    return name.isEmpty() ? u("(без названия)") : name;
}

QString runDescription(const SimulationOptions& o)
{
    QString distribution, method;
    for (const auto& d : kDistributionChoices)
        if (d.value == o.distribution) distribution = u(d.caption);
    for (const auto& m : kSamplingMethodChoices)
        if (m.value == o.method) method = u(m.caption);
    return u("Испытаний: %1; распределение параметров: %2; выборка: %3; начальное число: %4. "
             "P90 — значение, которое достигается или превышается с вероятностью 0,9 (низкая оценка), "
             "P50 — медиана, P10 — высокая оценка; горизонты считаются независимыми.")
        .arg(o.trials)
        .arg(distribution, method)
        .arg(o.seed);
}

// The probability of at least x over x, with P90, P50 and P10 read off on dashed guides.
void addExceedanceChart(ReportLayout& layout, const ResultStatistics& s, const QString& title, const QString& unit)
{
    const std::vector<std::pair<double, double>> curve = ExceedanceCurve(s);
    if (curve.size() < 2) return;
    const double small = layout.lineHeight(ReportFont::Small);
    const double height = layout.mm(72); // three to a page
    layout.ensureSpace(height + layout.lineHeight(ReportFont::Bold) + layout.mm(4));
    const QRectF area = layout.area();
    layout.skip(layout.mm(3));
    layout.text(QRectF(area.left(), layout.y(), area.width(), layout.lineHeight(ReportFont::Bold)), title,
                ReportFont::Bold, Qt::AlignHCenter | Qt::AlignTop);
    layout.skip(layout.lineHeight(ReportFont::Bold) + small + layout.mm(2));

    const double labelWidth = layout.mm(12);
    const QRectF frame(area.left() + labelWidth, layout.y(), area.width() - labelWidth - layout.mm(4),
                       height - 3 * small - layout.mm(4));
    double lo = s.min, hi = s.max;
    if (!(hi > lo)) {
        const double pad = std::max(std::abs(lo) * 0.05, 1e-9);
        lo -= pad;
        hi += pad;
    }
    const double step = NiceStep(hi - lo, 6);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    auto toPage = [&](double x, double p) {
        return QPointF(frame.left() + (x - lo) / (hi - lo) * frame.width(), frame.bottom() - p * frame.height());
    };

    const QPen gridPen(QColor(170, 170, 170), layout.mm(0.1), Qt::DashLine);
    for (int i = 0; lo + i * step <= hi + step * 1e-6; ++i) {
        const double x = lo + i * step;
        const double px = toPage(x, 0).x();
        layout.line({px, frame.top()}, {px, frame.bottom()}, gridPen);
        layout.text(QRectF(px - layout.mm(15), frame.bottom() + layout.mm(1), layout.mm(30), small), tick(x, step),
                    ReportFont::Small, Qt::AlignHCenter | Qt::AlignTop);
    }
    for (int i = 0; i <= 10; ++i) {
        const double p = i / 10.0;
        const double py = toPage(lo, p).y();
        layout.line({frame.left(), py}, {frame.right(), py}, gridPen);
        if (i % 2 == 0)
            layout.text(QRectF(area.left(), py - small / 2, labelWidth - layout.mm(1), small), tick(p, 0.1),
                        ReportFont::Small, Qt::AlignRight | Qt::AlignVCenter);
    }
    ReportItem border;
    border.kind = ReportItem::Kind::Rect;
    border.rect = frame;
    border.pen = QPen(Qt::black, layout.mm(0.25));
    layout.add(border);
    layout.text(QRectF(area.left(), frame.top() - small - layout.mm(1), area.width(), small),
                u("Вероятность не менее x, доли единицы"), ReportFont::Small, Qt::AlignLeft | Qt::AlignBottom);
    layout.text(QRectF(frame.left(), frame.bottom() + small + layout.mm(1.5), frame.width(), small),
                u("x — ресурсы, ") + unit, ReportFont::Small, Qt::AlignHCenter | Qt::AlignTop);

    ReportItem line;
    line.kind = ReportItem::Kind::Polyline;
    line.pen = QPen(kCurveColour, layout.mm(0.4));
    line.pen.setJoinStyle(Qt::RoundJoin);
    for (const auto& [x, p] : curve) line.points << toPage(x, p);
    layout.add(std::move(line));

    // The three cases: a guide from each axis to the curve, a dot, and the value beside it.
    const QPen guidePen(QColor(200, 30, 30), layout.mm(0.2), Qt::DashLine);
    const std::pair<const char*, std::pair<double, double>> cases[] = {
        {"P90", {s.p90, 0.9}}, {"P50", {s.p50, 0.5}}, {"P10", {s.p10, 0.1}}};
    for (const auto& [name, point] : cases) {
        const QPointF at = toPage(point.first, point.second);
        layout.line({frame.left(), at.y()}, at, guidePen);
        layout.line(at, {at.x(), frame.bottom()}, guidePen);
        ReportItem dot;
        dot.kind = ReportItem::Kind::Rect;
        const double r = layout.mm(0.8);
        dot.rect = QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r);
        dot.pen = QPen(QColor(200, 30, 30), layout.mm(0.1));
        dot.brush = QColor(200, 30, 30);
        layout.add(std::move(dot));
        const QString label = u("%1 = %2").arg(u(name), SimulationNumberText(point.first));
        const double w = layout.textWidth(ReportFont::Small, label) + layout.mm(1);
        // Right of the point, or left of it near the frame's right edge.
        const double left = at.x() + w + layout.mm(2) < frame.right() ? at.x() + layout.mm(1.5) : at.x() - w - layout.mm(1.5);
        layout.text(QRectF(left, at.y() - small - layout.mm(0.5), w, small), label, ReportFont::Small,
                    Qt::AlignLeft | Qt::AlignVCenter);
    }
    layout.skip(frame.bottom() - layout.y() + 2 * small + layout.mm(4));
}

} // namespace

void AddSimulatedResources(ReportLayout& layout, const SimulationRun& run, int passportHorizons)
{
    const bool partial = int(run.horizons.size()) < passportHorizons;
    const QString totalName = partial ? u("Итого по рассчитанным горизонтам") : u("Итого по паспорту");
    if (layout.landscape() || !layout.pages().empty()) layout.newPage(false);
    layout.heading(u("Ресурсы по результатам имитационного моделирования (P90/P50/P10)"));
    QString description = runDescription(run.options);
    if (partial)
        description = u("Рассчитано горизонтов: %1 из %2. ").arg(run.horizons.size()).arg(passportHorizons) + description;
    layout.paragraph(description, ReportFont::Small);
    layout.skip(layout.mm(2));

    const QStringList titles{u("Горизонт"), u("Результат"), u("P90"), u("P50"), u("P10"), u("Среднее")};
    std::vector<QStringList> rows;
    auto row = [&](const QString& who, const char* title, const char* unit, const ResultStatistics& s) {
        rows.push_back({who, u("%1, %2").arg(u(title), u(unit)), SimulationNumberText(s.p90),
                        SimulationNumberText(s.p50), SimulationNumberText(s.p10), SimulationNumberText(s.mean)});
    };
    QStringList notes;
    for (const HorizonSimulation& h : run.horizons) {
        const QString name = horizonName(run.inputs[size_t(h.input)]);
        for (const SimResultDecl& d : SimResultDecls())
            if (const auto& s = h[d.result]) row(name, d.title, d.unit, *s);
        for (const QString& m : h.messages) notes << name + u(": ") + m;
    }
    for (const SimTotalDecl& d : SimTotalDecls())
        if (const auto& s = run.totals[size_t(d.total)]) row(totalName, d.title, d.unit, *s);
    if (rows.empty()) {
        layout.paragraph(u("Ни один результат не рассчитан."));
    } else {
        layout.table(titles, rows, false);
    }
    if (!notes.isEmpty()) {
        layout.skip(layout.mm(2));
        layout.paragraph(u("Не рассчитано:"), ReportFont::SmallBold);
        for (const QString& n : notes) layout.paragraph(n, ReportFont::Small);
    }

    bool first = true;
    for (const SimTotalDecl& d : SimTotalDecls()) {
        const auto& s = run.totals[size_t(d.total)];
        if (!s || s->histogram.empty()) continue;
        if (first) {
            layout.skip(layout.mm(2));
            layout.heading(u("Кривые превышения итоговых ресурсов"));
            first = false;
        }
        addExceedanceChart(layout, *s, u("%1 — %2").arg(totalName, u(d.title)), u(d.unit));
    }
}

SimulationRun SimulateForReport(TDataModule2& dm, SimulationOptions options)
{
    dm.CommitPendingEdits();
    if (options.histogramBins <= 0) options.histogramBins = kHistogramBins;
    return RunResourceSimulation(ReadSimulationInputs(dm.POSIB_PRODUCT_HOR), options);
}

} // namespace talvena
