#pragma once
// The interaction of the running program: Qt message boxes and dialogs over the main window.
#include "gui/user_interaction.h"

#include <QPointer>

#include <QWidget>

namespace talvena {

class HelpWindow;

class QtUserInteraction : public UserInteraction {
public:
    QtUserInteraction();
    ~QtUserInteraction() override;

    // The window the dialogs belong to (the main window once it exists).
    void setParentWindow(QWidget* parent) { parent_ = parent; }

    BoxAnswer messageBox(BoxCaption caption, const QString& text, BoxIcon icon, BoxButtons buttons) override;
    QString openFileName(const QString& title, const QString& filter, const QString& folder) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& folder,
                         const QString& defaultSuffix) override;
    QString folderName(const QString& title, const QString& folder) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial) override;
    void showHelpTopic(int topic) override;

private:
    QPointer<QWidget> parent_;
    QPointer<HelpWindow> help_;
};

} // namespace talvena
