// The simulation dialog as a user drives it: a run on the worker thread while the window keeps
// processing events, Cancel, the results table against the model's own run, the charts and their
// files, and the fill handed to the passport.
#include "dialogs/resource_simulation_dialog.h"
#include "gui/scripted_interaction.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace talvena;

namespace {

using P = SimParameter;

HorizonSimulationInput oilHorizon(int32_t id, const char* name)
{
    HorizonSimulationInput in;
    in.id = id;
    in.uvId = 397;
    in.name = name;
    const std::pair<P, std::pair<double, double>> ranges[] = {
        {P::OilArea, {8, 14}},        {P::OilThickness, {4, 9}},      {P::OilPorosity, {0.12, 0.22}},
        {P::OilSaturation, {0.55, 0.8}}, {P::OilDensity, {0.82, 0.9}}, {P::OilConversion, {0.7, 0.9}},
        {P::OilRecovery, {0.2, 0.4}}};
    for (const auto& [p, r] : ranges) in[p] = {r.first, r.second, std::nullopt};
    in[P::OilGasFactor].min = 60;
    return in;
}

void waitWhileRunning(ResourceSimulationDialog& d)
{
    for (int i = 0; i < 6000 && d.running(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QCoreApplication::processEvents();
}

TEST(ResourceSimulationDialog, RunsAwayFromTheWindowShowsTheModelsResultsAndSavesCharts)
{
    ScriptedInteraction ui;
    ResourceSimulationDialog dialog({oilHorizon(1, "J1"), oilHorizon(2, "J2")}, 1, ui);
    dialog.resize(1000, 800);
    dialog.show();
    auto* scope = dialog.findChild<QComboBox*>("SimulationScope");
    ASSERT_TRUE(scope);
    EXPECT_EQ(scope->count(), 2);
    EXPECT_TRUE(scope->itemText(0).contains("J2"));
    auto* trials = dialog.findChild<QSpinBox*>("SimulationTrials");
    EXPECT_EQ(trials->value(), 100000);
    EXPECT_EQ(dialog.findChild<QSpinBox*>("SimulationSeed")->value(), 1);

    // Cancel: the run stops and nothing is shown or kept.
    int finished = 0;
    dialog.onFinished = [&](const SimulationRun&) { ++finished; };
    scope->setCurrentIndex(1);
    trials->setValue(2'000'000);
    dialog.start();
    EXPECT_TRUE(dialog.running());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("SimulationStart")->isEnabled());
    dialog.findChild<QPushButton*>("SimulationCancel")->click();
    waitWhileRunning(dialog);
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(dialog.lastRun(), nullptr);

    // A whole run: the table holds what the model computes for the same options.
    trials->setValue(20'000);
    dialog.start();
    waitWhileRunning(dialog);
    ASSERT_EQ(finished, 1);
    ASSERT_TRUE(dialog.lastRun());
    SimulationOptions o;
    o.trials = 20'000;
    o.histogramBins = 60;
    const SimulationRun expected = RunResourceSimulation({oilHorizon(1, "J1"), oilHorizon(2, "J2")}, o);
    auto* table = dialog.findChild<QTableWidget*>("SimulationResults");
    ASSERT_EQ(table->rowCount(), 2 * 3 + 2); // three results of two horizons, two totals
    EXPECT_EQ(table->item(0, 0)->text(), "J1");
    EXPECT_EQ(table->item(0, 2)->text(), SimulationNumberText(expected.horizons[0][SimResult::OilBalance]->mean));
    EXPECT_EQ(table->item(6, 4)->text(), SimulationNumberText(expected.totals[size_t(SimTotal::Oil)]->p90));

    // The three charts of the selected row, each saved as the file name says.
    auto* charts = dialog.findChild<QTabWidget*>("SimulationCharts");
    QTemporaryDir dir;
    for (int tab = 0; tab < 3; ++tab) {
        charts->setCurrentIndex(tab);
        auto* view = static_cast<QChartView*>(charts->currentWidget());
        EXPECT_FALSE(view->chart()->series().isEmpty()) << tab;
        const QString png = dir.filePath(QString("chart%1.png").arg(tab));
        ui.fileNames.push_back(png);
        dialog.findChild<QPushButton*>("SimulationSaveChart")->click();
        QImage image;
        EXPECT_TRUE(image.load(png, "PNG")) << tab;
    }
    const QString svg = dir.filePath("tornado.svg");
    ui.fileNames.push_back(svg);
    dialog.findChild<QPushButton*>("SimulationSaveChart")->click();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Площадь нефтеносности"));

    // The fill goes to the passport's handler with the run shown.
    const SimulationRun* filled = nullptr;
    dialog.onFill = [&](const SimulationRun& run) {
        filled = &run;
        return QString("готово");
    };
    dialog.findChild<QPushButton*>("SimulationFill")->click();
    EXPECT_EQ(filled, dialog.lastRun());
}

} // namespace
