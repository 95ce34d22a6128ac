#pragma once
// The dialog "Вероятностные ресурсы": options of a simulation of the current or all productive
// horizons, the run on a worker thread with progress and Cancel, the results table and three
// charts (histogram, exceedance curve, tornado) that can be saved as PNG or SVG.
#include "model/resource_simulation.h"

#include <QDialog>

#include <functional>
#include <future>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;
class QChartView;

namespace talvena {

class UserInteraction;

class ResourceSimulationDialog : public QDialog {
public:
    // `inputs` are copies of every productive horizon; `current` indexes the current one (or -1).
    ResourceSimulationDialog(std::vector<HorizonSimulationInput> inputs, int current, UserInteraction& ui,
                             QWidget* parent = nullptr);
    ~ResourceSimulationDialog() override;

    // Called with each finished run (the passport keeps the last one for its Geology page).
    std::function<void(const SimulationRun&)> onFinished;
    // "Заполнить поля паспорта": writes the run into the passport and returns what to tell the user.
    std::function<QString(const SimulationRun&)> onFill;
    // The help topic of the dialog.
    static constexpr int kHelpTopic = 180;

    const SimulationRun* lastRun() const { return run_.get(); }
    // Starts a run with the options shown (also the "Рассчитать" button).
    void start();
    bool running() const { return future_.valid(); }

private:
    void poll();
    void finish(SimulationRun run);
    void showResults();
    void showCharts();
    void saveChart();
    void setRunning(bool on);

    std::vector<HorizonSimulationInput> inputs_;
    int current_;
    UserInteraction& ui_;
    std::unique_ptr<SimulationRun> run_;
    std::unique_ptr<SimulationControl> control_;
    std::future<SimulationRun> future_;

    QComboBox* scope_;
    QComboBox* distribution_;
    QComboBox* method_;
    QSpinBox* trials_;
    QSpinBox* seed_;
    QPushButton* startButton_;
    QPushButton* cancelButton_;
    QPushButton* fillButton_;
    QPushButton* saveButton_;
    QProgressBar* progress_;
    QLabel* status_;
    QTableWidget* table_;
    QPlainTextEdit* messages_;
    QTabWidget* charts_;
    QChartView* histogram_;
    QChartView* exceedance_;
    QChartView* tornado_;
    QTimer* timer_;
    // The table row → (horizon index or -1 for a total, result or total index).
    std::vector<std::pair<int, int>> rows_;
};

} // namespace talvena
