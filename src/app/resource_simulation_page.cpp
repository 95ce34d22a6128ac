#include "app/resource_simulation_page.h"

#include "app/grid_pages.h"
#include "app/main_window.h"
#include "dialogs/resource_simulation_dialog.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "model/resource_simulation_table.h"

#include <QLabel>
#include <QPushButton>

namespace talvena {
namespace {

// The Geology page's labels of the simulated totals, by total.
constexpr const char* kTotalLabels[] = {"LabelSimOil", "LabelSimDissolvedGas", "LabelSimGas", "LabelSimCondensate"};
constexpr const char* kRunLabel = "LabelSimRun";

} // namespace

ResourceSimulationPage::ResourceSimulationPage(TMainForm& window, GridPages& grids) : QObject(&window), window_(window)
{
    for (int page : {GridPages::kOilPage, GridPages::kGasPage, GridPages::kCondensatePage}) {
        auto* button = new QPushButton(QStringLiteral("Рассчитать вероятностные ресурсы…"));
        button->setObjectName(QStringLiteral("SimulateResources%1").arg(page + 1));
        button->setToolTip(QStringLiteral(
            "Рассчитать ресурсы текущего или всех горизонтов моделированием по диапазонам параметров"));
        connect(button, &QPushButton::clicked, this, [this] { RunGuarded([this] { open(); }); });
        grids.addStripButton(page, button);
    }
    window_.afterGeologyTotals = [this] { showGeologyBlock(); };
}

void ResourceSimulationPage::open()
{
    TDataModule2& dm = window_.dataModule();
    dm.CommitPendingEdits();
    RecordTable& t = dm.POSIB_PRODUCT_HOR;
    std::vector<HorizonSimulationInput> inputs = ReadSimulationInputs(t);
    if (inputs.empty()) {
        window_.interaction().showWarning(QStringLiteral("В паспорте нет возможных продуктивных горизонтов."));
        return;
    }
    int current = -1;
    const int64_t row = t.storedRowAt(t.currentViewPosition());
    for (int i = 0; row >= 0 && i < t.storedCount(); ++i)
        if (t.storedRow(i) == uint32_t(row)) current = i;

    ResourceSimulationDialog dialog(std::move(inputs), current, window_.interaction(), &window_);
    dialog.onFinished = [this](const SimulationRun& run) {
        last_ = std::make_unique<SimulationRun>(run);
        lastStamp_ = window_.dataModule().POSIB_PRODUCT_HOR.contentStamp();
    };
    dialog.onFill = [this](const SimulationRun& run) { return fill(run); };
    dialog.exec();
}

QString ResourceSimulationPage::fill(const SimulationRun& run)
{
    TDataModule2& dm = window_.dataModule();
    dm.CommitPendingEdits();
    RecordTable& t = dm.POSIB_PRODUCT_HOR;
    const bool current = last_ && lastStamp_ == t.contentStamp();
    const FillReport report = FillSimulatedResources(t, run);
    if (current) lastStamp_ = t.contentStamp(); // the fill itself does not make the last run stale
    if (!report.refused.isEmpty())
        window_.interaction().showWarning(QStringLiteral("Не записаны значения, которые не приняли правила полей:\n") +
                                          report.refused.join('\n'));
    return QStringLiteral("Записано значений: %1 (горизонтов: %2).").arg(report.values).arg(report.horizons);
}

const SimulationRun* ResourceSimulationPage::currentRun() const
{
    return last_ && lastStamp_ == window_.dataModule().POSIB_PRODUCT_HOR.contentStamp() ? last_.get() : nullptr;
}

void ResourceSimulationPage::showGeologyBlock()
{
    const bool fresh = currentRun() != nullptr;
    for (size_t i = 0; i < std::size(kTotalLabels); ++i) {
        QLabel* label = window_.valueLabel(QString::fromLatin1(kTotalLabels[i]));
        if (!label) continue;
        const std::optional<ResultStatistics>& s = fresh ? last_->totals[i] : std::nullopt;
        label->setText(s ? QStringLiteral("P90 %1    P50 %2    P10 %3    среднее %4")
                               .arg(SimulationNumberText(s->p90), SimulationNumberText(s->p50),
                                    SimulationNumberText(s->p10), SimulationNumberText(s->mean))
                         : QString());
    }
    if (QLabel* label = window_.valueLabel(QString::fromLatin1(kRunLabel))) {
        if (fresh)
            label->setText(QStringLiteral("%1 испытаний, начальное число %2, горизонтов: %3")
                               .arg(last_->options.trials)
                               .arg(last_->options.seed)
                               .arg(last_->horizons.size()));
        else if (last_)
            label->setText(QStringLiteral("горизонты изменены после расчета — рассчитайте заново"));
        else
            label->setText(QStringLiteral("расчет не выполнялся"));
    }
}

} // namespace talvena
