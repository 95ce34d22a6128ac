#pragma once
// The About box: the product name, the program's version and a picture, with a button that asks
// the update server for a newer version and can start the update.
#include "dialogs/update_check.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace talvena {

class TAboutBox : public QDialog {
public:
    // The result the box ends with when the user accepted an update and the shell took the setup
    // address; the program then closes.
    static constexpr int kYesResult = 6;
    static constexpr int kClientWidth = 440;
    static constexpr int kClientHeight = 252;
    static constexpr int kHelpTopic = 170; // shown by the help key

    explicit TAboutBox(QWidget* parent = nullptr, UpdateServerSetup server = updateServerSetup());

    void FormCreate();   // fills Version
    void Button2Click(); // the update check
    // True while the box waits for the server: it cannot be closed then.
    bool checking() const { return checking_; }

    QLabel* version() const { return version_; }

    void reject() override;

private:
    void setChecking(bool on);

    UpdateServerSetup server_;
    QLabel* version_;
    QPushButton* button1_;
    QPushButton* button2_;
    bool checking_ = false;
};

// "О программе ...": creates the box, shows it modally and destroys it; true when it ended with
// the Yes result.
bool ShowAboutBox(QWidget* parent);

} // namespace talvena
