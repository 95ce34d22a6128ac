#pragma once
// The menu "Правка": undo and redo of the passport's actions, each named by its action, with
// the usual keys. After either, the page, the row and the control of the change come into view.
// Typing not yet posted in a text field is undone by the field itself first.
#include <QObject>

class QAction;

namespace talvena {

class TDataModule2;
class TMainForm;

class EditMenu : public QObject {
public:
    // Adds the menu after the first menu of the window's menu bar.
    explicit EditMenu(TMainForm& window);
    ~EditMenu() override;

    void undo();
    void redo();
    // Names the actions after the steps they would undo and redo; disables them when there is none.
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void replay(bool undo);

    TMainForm& window_;
    TDataModule2& dm_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
};

} // namespace talvena
