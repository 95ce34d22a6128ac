#pragma once
// Everything the program asks of the person at the screen goes through this interface: message
// boxes, questions, file and folder dialogs, the input box and the help window. The window uses a
// Qt implementation; tests install a scripted one and read what would have been shown.
#include <QString>
#include <optional>

namespace talvena {

// The four captions of the program's own message boxes.
enum class BoxCaption { Warning, Confirmation, Error, Information };
enum class BoxIcon { Warning, Question, Error, Information };
// YesNoDefaultNo: Enter answers No, for a question whose Yes takes a risk. OkOpenFolder: OK and
// "Открыть папку", which answers Yes. YesNoLater: Да, Нет and "Позже", which answers Cancel.
// ReadOnlyCancel: "Открыть только для чтения", which answers Yes, and "Отмена".
enum class BoxButtons { Ok, YesNo, YesNoCancel, YesNoDefaultNo, OkOpenFolder, YesNoLater, ReadOnlyCancel };
enum class BoxAnswer { Ok, Yes, No, Cancel };

// "Предупреждение", "Подтверждение", "Ошибка", "Информация".
QString boxCaptionText(BoxCaption caption);

class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // A modal message box; returns the button pressed. Escape or closing the box answers Cancel
    // when the box has it, else No or Ok.
    virtual BoxAnswer messageBox(BoxCaption caption, const QString& text, BoxIcon icon, BoxButtons buttons) = 0;

    // File dialogs: the chosen path, empty when cancelled. `filter` uses Qt's "Name (*.ext)" form.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& folder) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& folder,
                                 const QString& defaultSuffix) = 0;
    virtual QString folderName(const QString& title, const QString& folder) = 0;

    // The input box: the text entered, nothing when cancelled.
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial) = 0;

    // Shows a topic of the help file; the call returns at once.
    virtual void showHelpTopic(int topic) = 0;

    // The usual boxes.
    void showWarning(const QString& text) { messageBox(BoxCaption::Warning, text, BoxIcon::Warning, BoxButtons::Ok); }
    void showError(const QString& text) { messageBox(BoxCaption::Error, text, BoxIcon::Error, BoxButtons::Ok); }
    void showInformation(const QString& text)
    {
        messageBox(BoxCaption::Information, text, BoxIcon::Information, BoxButtons::Ok);
    }
    // A Yes/No question with the question icon; true on Yes.
    bool askYesNo(BoxCaption caption, const QString& text)
    {
        return messageBox(caption, text, BoxIcon::Question, BoxButtons::YesNo) == BoxAnswer::Yes;
    }
    // A Yes/No/Cancel question with the question icon.
    BoxAnswer askYesNoCancel(BoxCaption caption, const QString& text)
    {
        return messageBox(caption, text, BoxIcon::Question, BoxButtons::YesNoCancel);
    }
};

// The interaction of the running program. Start-up installs the Qt one; tests install their own.
// Asking before anything was installed is a programming error (it aborts).
UserInteraction& userInteraction();
void installUserInteraction(UserInteraction* interaction);
bool userInteractionInstalled();

} // namespace talvena
