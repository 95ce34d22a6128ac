#pragma once
// "Проверка паспорта" in the window: runs the model's check over the committed passport, lists the
// findings beside the window and takes the user to the page, row and control of each. Offered
// before the unpacked export too.
#include "dialogs/passport_check_form.h"
#include "model/passport_check.h"

#include <QObject>
#include <QPointer>

namespace talvena {

class TMainForm;

class PassportCheckCommand : public QObject {
public:
    explicit PassportCheckCommand(TMainForm& window);

    // Checks and shows the list (one list, raised again on the next run).
    void run();
    // Before work that hands the passport on (`what`, e.g. "записью распакованного паспорта"): when
    // the check finds something, asks whether to look at the findings first. Yes shows them and
    // stops the work, No goes on, Cancel stops. True when the work should go on.
    bool offerBefore(const QString& what);
    // Brings the finding's page forward, makes its record current and focuses its control.
    void goTo(const PassportFinding& finding);

    TCheckForm* form() const { return form_; }

private:
    std::vector<PassportFinding> check();
    void show(std::vector<PassportFinding> findings);

    TMainForm& window_;
    QPointer<TCheckForm> form_;
};

} // namespace talvena
