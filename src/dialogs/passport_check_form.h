#pragma once
// The list of the passport check's findings: a window beside the main window (not modal), so the
// user corrects one finding after another. "Перейти" (or Enter, or a double click) takes the user
// to the finding; "Проверить снова" checks again.
#include "model/passport_check.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace talvena {

class TCheckForm : public QDialog {
public:
    explicit TCheckForm(QWidget* parent = nullptr);

    void showFindings(std::vector<PassportFinding> findings);
    const std::vector<PassportFinding>& findings() const { return findings_; }

    // Run with the finding chosen, and when the user asks to check again.
    std::function<void(const PassportFinding&)> onGoTo;
    std::function<void()> onRecheck;

    QListWidget* list() const { return list_; }
    QPushButton* goButton() const { return goButton_; }
    QPushButton* recheckButton() const { return recheckButton_; }
    QLabel* summary() const { return summary_; }

private:
    void goToCurrent();

    std::vector<PassportFinding> findings_;
    QLabel* summary_;
    QListWidget* list_;
    QPushButton* goButton_;
    QPushButton* recheckButton_;
};

} // namespace talvena
