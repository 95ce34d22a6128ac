#pragma once
// The help window: one non-modal window that shows a topic of the help file, with links to the
// other topics below it.
#include "gui/help_file.h"

#include <QDialog>

class QTextBrowser;

namespace talvena {

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(HelpFile file, QWidget* parent = nullptr);

    void showTopic(int number);
    int currentTopic() const { return current_; }
    QTextBrowser* browser() const { return browser_; }

private:
    QString pageHtml(int number) const;

    HelpFile file_;
    QTextBrowser* browser_;
    int current_ = 0;
};

} // namespace talvena
