#pragma once
// An interaction without a screen: it records every request and answers from queues given in
// advance. Tests install it to drive the window and read what the user would have seen.
#include "gui/user_interaction.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

namespace talvena {

class ScriptedInteraction : public UserInteraction {
public:
    struct Box {
        BoxCaption caption;
        QString text;
        BoxIcon icon;
        BoxButtons buttons;
    };

    // Answers of Yes/No and Yes/No/Cancel boxes in order; when none is queued the answer is
    // `defaultAnswer`.
    std::deque<BoxAnswer> answers;
    BoxAnswer defaultAnswer = BoxAnswer::No;
    // Paths returned by the file and folder dialogs in order; none queued means cancelled.
    std::deque<QString> fileNames;
    // Texts returned by the input box; none queued means cancelled.
    std::deque<QString> inputs;

    QList<Box> boxes;           // every message box shown
    // Runs as each box is shown, to look at the screen at that moment.
    std::function<void(const Box&)> onBox;
    QStringList dialogTitles;   // every file, folder and input dialog, by title
    // Runs as each file or folder dialog is shown, with its title.
    std::function<void(const QString&)> onDialog;
    QStringList dialogFilters;  // the filter of every file dialog
    QStringList dialogFolders;  // the folder (or proposed file) every file dialog opened at
    QStringList inputPrompts;   // the prompt of every input box
    QStringList inputInitials;  // and the text it showed first
    QList<int> helpTopics;      // every help topic shown

    BoxAnswer messageBox(BoxCaption caption, const QString& text, BoxIcon icon, BoxButtons buttons) override;
    QString openFileName(const QString& title, const QString& filter, const QString& folder) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& folder,
                         const QString& defaultSuffix) override;
    QString folderName(const QString& title, const QString& folder) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial) override;
    void showHelpTopic(int topic) override { helpTopics.append(topic); }

    // The texts of the boxes shown, in order.
    QStringList boxTexts() const;
    void clear();

private:
    QString nextFileName(const QString& title);
};

} // namespace talvena
