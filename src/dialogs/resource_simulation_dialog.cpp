#include "dialogs/resource_simulation_dialog.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "dialogs/chart_image.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalStackedBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace talvena {
namespace {

// Columns of the results table after the horizon and the result.
constexpr const char* kColumns[] = {"Горизонт", "Результат", "Среднее", "Ст. отклонение", "P90", "P50", "P10",
                                    "Минимум", "Максимум", "Вероятность ≥ среднего"};
constexpr int kHistogramBins = 60;

QString horizonName(const HorizonSimulationInput& in) { return cp1251ToUnicode(in.name).trimmed(); }

void setAxes(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y)
{
    if (!chart->axes(Qt::Horizontal).contains(x)) chart->addAxis(x, Qt::AlignBottom);
    if (!chart->axes(Qt::Vertical).contains(y)) chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

QChart* freshChart(QChartView* view, const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
    return chart;
}

QValueAxis* valueAxis(const QString& title)
{
    auto* a = new QValueAxis;
    a->setTitleText(title);
    a->setLabelFormat(QStringLiteral("%.4g"));
    return a;
}

} // namespace

ResourceSimulationDialog::ResourceSimulationDialog(std::vector<HorizonSimulationInput> inputs, int current,
                                                   UserInteraction& ui, QWidget* parent)
    : QDialog(parent), inputs_(std::move(inputs)), current_(current), ui_(ui)
{
    setObjectName(QStringLiteral("ResourceSimulationDialog"));
    setWindowTitle(QStringLiteral("Вероятностные ресурсы"));
    resize(1150, 840);

    auto* form = new QFormLayout;
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("SimulationScope"));
    if (current_ >= 0 && current_ < int(inputs_.size()))
        scope_->addItem(QStringLiteral("Текущий горизонт «%1»").arg(horizonName(inputs_[size_t(current_)])));
    scope_->addItem(QStringLiteral("Все горизонты паспорта (%1)").arg(inputs_.size()));
    form->addRow(QStringLiteral("&Горизонты:"), scope_);
    distribution_ = new QComboBox(this);
    distribution_->setObjectName(QStringLiteral("SimulationDistribution"));
    for (const auto& d : kDistributionChoices) distribution_->addItem(QString::fromUtf8(d.caption));
    form->addRow(QStringLiteral("&Распределение параметров:"), distribution_);
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("SimulationMethod"));
    for (const auto& m : kSamplingMethodChoices) method_->addItem(QString::fromUtf8(m.caption));
    form->addRow(QStringLiteral("&Выборка:"), method_);
    trials_ = new QSpinBox(this);
    trials_->setObjectName(QStringLiteral("SimulationTrials"));
    trials_->setRange(1, int(SimulationOptions::kMaxTrials));
    trials_->setValue(int(SimulationOptions{}.trials));
    trials_->setGroupSeparatorShown(true);
    form->addRow(QStringLiteral("&Число испытаний:"), trials_);
    seed_ = new QSpinBox(this);
    seed_->setObjectName(QStringLiteral("SimulationSeed"));
    seed_->setRange(0, std::numeric_limits<int>::max());
    seed_->setValue(1);
    form->addRow(QStringLiteral("&Начальное число генератора:"), seed_);

    startButton_ = new QPushButton(QStringLiteral("Р&ассчитать"), this);
    startButton_->setObjectName(QStringLiteral("SimulationStart"));
    startButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("&Прервать"), this);
    cancelButton_->setObjectName(QStringLiteral("SimulationCancel"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("SimulationProgress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("SimulationStatus"));
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(startButton_);
    runRow->addWidget(cancelButton_);
    runRow->addWidget(progress_, 1);
    auto* options = new QVBoxLayout;
    options->addLayout(form);
    options->addLayout(runRow);
    options->addWidget(status_);

    table_ = new QTableWidget(0, int(std::size(kColumns)), this);
    table_->setObjectName(QStringLiteral("SimulationResults"));
    QStringList headers;
    for (const char* c : kColumns) headers << QString::fromUtf8(c);
    table_->setHorizontalHeaderLabels(headers);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    messages_ = new QPlainTextEdit(this);
    messages_->setObjectName(QStringLiteral("SimulationMessages"));
    messages_->setReadOnly(true);
    messages_->setMaximumHeight(56);

    charts_ = new QTabWidget(this);
    charts_->setObjectName(QStringLiteral("SimulationCharts"));
    histogram_ = new QChartView(new QChart, charts_);
    exceedance_ = new QChartView(new QChart, charts_);
    tornado_ = new QChartView(new QChart, charts_);
    for (QChartView* v : {histogram_, exceedance_, tornado_}) v->setRenderHint(QPainter::Antialiasing);
    charts_->addTab(histogram_, QStringLiteral("Гистограмма"));
    charts_->addTab(exceedance_, QStringLiteral("Кривая превышения"));
    charts_->addTab(tornado_, QStringLiteral("Торнадо"));
    saveButton_ = new QPushButton(QStringLiteral("Со&хранить график…"), this);
    saveButton_->setObjectName(QStringLiteral("SimulationSaveChart"));

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* upper = new QWidget(split);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->addWidget(table_, 1);
    upperLayout->addWidget(messages_);
    split->addWidget(upper);
    split->addWidget(charts_);
    split->setSizes({230, 470});

    fillButton_ = new QPushButton(QStringLiteral("&Заполнить поля паспорта"), this);
    fillButton_->setObjectName(QStringLiteral("SimulationFill"));
    fillButton_->setToolTip(QStringLiteral(
        "Записать в поля вероятностного подхода: наиболее вероятное значение — среднее, вероятность — вероятность "
        "достичь среднего, среднеквадратическое отклонение; диапазон балансовых ресурсов газоконденсата — P90 и P10"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    buttons->addButton(fillButton_, QDialogButtonBox::ActionRole);
    buttons->addButton(saveButton_, QDialogButtonBox::ActionRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);

    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, [this] { RunGuarded([this] { poll(); }); });
    connect(startButton_, &QPushButton::clicked, this, [this] { RunGuarded([this] { start(); }); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        if (control_) control_->cancel = true;
        status_->setText(QStringLiteral("Расчет прерывается…"));
    });
    connect(fillButton_, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            if (run_ && onFill) status_->setText(onFill(*run_));
        });
    });
    connect(saveButton_, &QPushButton::clicked, this, [this] { RunGuarded([this] { saveChart(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ui_.showHelpTopic(kHelpTopic); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { RunGuarded([this] { showCharts(); }); });
    setRunning(false);
}

ResourceSimulationDialog::~ResourceSimulationDialog()
{
    // The worker reads only its own copies; it is told to stop and waited for.
    if (control_) control_->cancel = true;
    if (future_.valid()) future_.wait();
}

void ResourceSimulationDialog::setRunning(bool on)
{
    startButton_->setEnabled(!on);
    cancelButton_->setEnabled(on);
    fillButton_->setEnabled(!on && run_ && !run_->cancelled);
    saveButton_->setEnabled(!on && run_);
    for (QWidget* w : std::initializer_list<QWidget*>{scope_, distribution_, method_, trials_, seed_}) w->setEnabled(!on);
    if (on) timer_->start();
    else timer_->stop();
}

void ResourceSimulationDialog::start()
{
    if (future_.valid()) return;
    SimulationOptions o;
    o.trials = uint64_t(trials_->value());
    o.seed = uint64_t(seed_->value());
    o.distribution = kDistributionChoices[distribution_->currentIndex()].value;
    o.method = kSamplingMethodChoices[method_->currentIndex()].value;
    o.histogramBins = kHistogramBins;
    std::vector<HorizonSimulationInput> inputs;
    const bool onlyCurrent = current_ >= 0 && scope_->currentIndex() == 0 && scope_->count() > 1;
    if (onlyCurrent) inputs.push_back(inputs_[size_t(current_)]);
    else inputs = inputs_;
    control_ = std::make_unique<SimulationControl>();
    SimulationControl* control = control_.get();
    future_ = std::async(std::launch::async, [inputs = std::move(inputs), o, control]() mutable {
        return RunResourceSimulation(std::move(inputs), o, control);
    });
    progress_->setValue(0);
    status_->setText(QStringLiteral("Идет расчет…"));
    setRunning(true);
}

void ResourceSimulationDialog::poll()
{
    if (!future_.valid()) return;
    progress_->setValue(control_->permille.load());
    if (future_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    std::future<SimulationRun> done = std::move(future_);
    setRunning(false);
    try {
        finish(done.get());
    } catch (const Error& e) {
        status_->setText(QString::fromUtf8(e.what()));
    }
}

void ResourceSimulationDialog::finish(SimulationRun run)
{
    if (run.cancelled) {
        status_->setText(QStringLiteral("Расчет прерван; результаты не изменились."));
        progress_->setValue(0);
        return;
    }
    run_ = std::make_unique<SimulationRun>(std::move(run));
    progress_->setValue(1000);
    status_->setText(QStringLiteral("Рассчитано: %1 испытаний, начальное число %2.")
                         .arg(run_->options.trials)
                         .arg(run_->options.seed));
    setRunning(false);
    showResults();
    if (onFinished) onFinished(*run_);
}

void ResourceSimulationDialog::showResults()
{
    table_->setRowCount(0);
    rows_.clear();
    QStringList notes;
    auto addRow = [&](const QString& who, const QString& what, const ResultStatistics& s, std::pair<int, int> key) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[] = {who,
                                 what,
                                 SimulationNumberText(s.mean),
                                 SimulationNumberText(s.sd),
                                 SimulationNumberText(s.p90),
                                 SimulationNumberText(s.p50),
                                 SimulationNumberText(s.p10),
                                 SimulationNumberText(s.min),
                                 SimulationNumberText(s.max),
                                 QString::number(s.probabilityOfMean, 'f', 3)};
        for (int c = 0; c < int(std::size(cells)); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, c, item);
        }
        rows_.push_back(key);
    };
    for (size_t h = 0; h < run_->horizons.size(); ++h) {
        const HorizonSimulation& hs = run_->horizons[h];
        const QString name = horizonName(run_->inputs[size_t(hs.input)]);
        for (const SimResultDecl& d : SimResultDecls())
            if (const auto& s = hs[d.result])
                addRow(name, QStringLiteral("%1, %2").arg(QString::fromUtf8(d.title), QString::fromUtf8(d.unit)), *s,
                       {int(h), int(d.result)});
        notes << hs.messages;
    }
    for (const SimTotalDecl& d : SimTotalDecls())
        if (const auto& s = run_->totals[size_t(d.total)])
            addRow(QStringLiteral("Итого по паспорту"),
                   QStringLiteral("%1, %2").arg(QString::fromUtf8(d.title), QString::fromUtf8(d.unit)), *s,
                   {-1, int(d.total)});
    if (rows_.empty()) notes.prepend(QStringLiteral("Ни один результат не рассчитан."));
    messages_->setPlainText(notes.join('\n'));
    table_->resizeColumnsToContents();
    if (!rows_.empty()) table_->selectRow(0);
}

void ResourceSimulationDialog::showCharts()
{
    const int row = table_->currentRow();
    if (!run_ || row < 0 || row >= int(rows_.size())) return;
    const auto [h, index] = rows_[size_t(row)];
    const ResultStatistics* s = nullptr;
    QString title, unit;
    std::optional<Tornado> tornado;
    if (h >= 0) {
        const SimResultDecl& d = SimResultDecls()[size_t(index)];
        s = &*run_->horizons[size_t(h)].results[size_t(index)];
        const HorizonSimulationInput& in = run_->inputs[size_t(run_->horizons[size_t(h)].input)];
        title = QStringLiteral("%1 — %2").arg(horizonName(in), QString::fromUtf8(d.title));
        unit = QString::fromUtf8(d.unit);
        tornado = ComputeTornado(in, d.result, run_->options.distribution);
    } else {
        const SimTotalDecl& d = SimTotalDecls()[size_t(index)];
        s = &*run_->totals[size_t(index)];
        title = QStringLiteral("Итого по паспорту — %1").arg(QString::fromUtf8(d.title));
        unit = QString::fromUtf8(d.unit);
    }
    const QString axisX = QStringLiteral("Ресурсы, %1").arg(unit);

    // Histogram as a step outline, with vertical marks of P90, P50, P10 and the mean.
    {
        QChart* chart = freshChart(histogram_, title);
        auto* bars = new QLineSeries;
        bars->setName(QStringLiteral("Доля испытаний"));
        const size_t bins = s->histogram.size();
        const double width = bins ? (s->max - s->min) / double(bins) : 0;
        double top = 0;
        for (size_t b = 0; b < bins; ++b) {
            const double share = double(s->histogram[b]) / double(run_->options.trials);
            top = std::max(top, share);
            bars->append(s->min + width * double(b), b ? double(s->histogram[b - 1]) / double(run_->options.trials) : 0);
            bars->append(s->min + width * double(b), share);
        }
        bars->append(s->max, bins ? double(s->histogram[bins - 1]) / double(run_->options.trials) : 0);
        bars->append(s->max, 0);
        chart->addSeries(bars);
        auto* x = valueAxis(axisX);
        auto* y = valueAxis(QStringLiteral("Доля испытаний"));
        y->setRange(0, top > 0 ? top * 1.1 : 1);
        setAxes(chart, bars, x, y);
        const std::pair<const char*, double> marks[] = {
            {"P90", s->p90}, {"P50", s->p50}, {"P10", s->p10}, {"Среднее", s->mean}};
        for (const auto& [name, value] : marks) {
            auto* line = new QLineSeries;
            line->setName(QStringLiteral("%1 = %2").arg(QString::fromUtf8(name), SimulationNumberText(value)));
            line->append(value, 0);
            line->append(value, top * 1.1);
            chart->addSeries(line);
            setAxes(chart, line, x, y);
        }
    }
    // Exceedance: the probability of at least x.
    {
        QChart* chart = freshChart(exceedance_, title);
        auto* curve = new QLineSeries;
        curve->setName(QStringLiteral("Вероятность не менее x"));
        for (const auto& [x, p] : ExceedanceCurve(*s)) curve->append(x, p);
        chart->addSeries(curve);
        auto* x = valueAxis(axisX);
        auto* y = valueAxis(QStringLiteral("Вероятность, доли единицы"));
        y->setRange(0, 1);
        setAxes(chart, curve, x, y);
        auto* points = new QScatterSeries;
        points->setName(QStringLiteral("P90, P50, P10"));
        points->append(s->p90, 0.9);
        points->append(s->p50, 0.5);
        points->append(s->p10, 0.1);
        chart->addSeries(points);
        setAxes(chart, points, x, y);
    }
    // Tornado: the swing of the result when one parameter is at its P90 or P10.
    {
        QChart* chart = freshChart(tornado_, title);
        if (!tornado || tornado->bars.empty()) {
            chart->setTitle(title + QStringLiteral(" — торнадо строится для результатов горизонтов с диапазонами"));
        } else {
            auto* low = new QBarSet(QStringLiteral("Параметр в P90"));
            auto* high = new QBarSet(QStringLiteral("Параметр в P10"));
            QStringList names;
            double extent = 0;
            // The largest swing at the top: categories run from the bottom up.
            for (auto it = tornado->bars.rbegin(); it != tornado->bars.rend(); ++it) {
                const SimParameterDecl& p = SimParameterDeclOf(it->parameter);
                names << QString::fromUtf8(p.name);
                *low << it->atP90 - tornado->base;
                *high << it->atP10 - tornado->base;
                extent = std::max({extent, std::abs(it->atP90 - tornado->base), std::abs(it->atP10 - tornado->base)});
            }
            auto* series = new QHorizontalStackedBarSeries;
            series->append(low);
            series->append(high);
            chart->addSeries(series);
            auto* categories = new QBarCategoryAxis;
            categories->append(names);
            auto* x = valueAxis(QStringLiteral("Отклонение от %1 (все параметры в P50), %2")
                                    .arg(SimulationNumberText(tornado->base), unit));
            x->setRange(-extent * 1.1, extent * 1.1);
            chart->addAxis(x, Qt::AlignBottom);
            chart->addAxis(categories, Qt::AlignLeft);
            series->attachAxis(x);
            series->attachAxis(categories);
        }
    }
}

void ResourceSimulationDialog::saveChart()
{
    auto* view = static_cast<QChartView*>(charts_->currentWidget());
    const QString name = ui_.saveFileName(QStringLiteral("Сохранить график"),
                                          QStringLiteral("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"), QString(),
                                          QStringLiteral("png"));
    if (name.isEmpty()) return;
    SaveChartImage(*view, name);
    status_->setText(QStringLiteral("График сохранен: %1").arg(QDir::toNativeSeparators(name)));
}

} // namespace talvena
