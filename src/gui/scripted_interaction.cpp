#include "gui/scripted_interaction.h"

namespace talvena {

BoxAnswer ScriptedInteraction::messageBox(BoxCaption caption, const QString& text, BoxIcon icon, BoxButtons buttons)
{
    boxes.append(Box{caption, text, icon, buttons});
    if (onBox) onBox(boxes.last());
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    if (answers.empty()) return defaultAnswer;
    const BoxAnswer a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedInteraction::nextFileName(const QString& title)
{
    dialogTitles.append(title);
    if (onDialog) onDialog(title);
    if (fileNames.empty()) return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedInteraction::openFileName(const QString& title, const QString& filter, const QString& folder)
{
    dialogFilters.append(filter);
    dialogFolders.append(folder);
    return nextFileName(title);
}

QString ScriptedInteraction::saveFileName(const QString& title, const QString& filter, const QString& folder,
                                          const QString&)
{
    dialogFilters.append(filter);
    dialogFolders.append(folder);
    return nextFileName(title);
}

QString ScriptedInteraction::folderName(const QString& title, const QString&) { return nextFileName(title); }

std::optional<QString> ScriptedInteraction::inputText(const QString& title, const QString& prompt,
                                                      const QString& initial)
{
    dialogTitles.append(title);
    inputPrompts.append(prompt);
    inputInitials.append(initial);
    if (inputs.empty()) return std::nullopt;
    QString text = inputs.front();
    inputs.pop_front();
    return text;
}

QStringList ScriptedInteraction::boxTexts() const
{
    QStringList texts;
    for (const Box& b : boxes) texts.append(b.text);
    return texts;
}

void ScriptedInteraction::clear()
{
    boxes.clear();
    dialogTitles.clear();
    dialogFilters.clear();
    dialogFolders.clear();
    inputPrompts.clear();
    inputInitials.clear();
    helpTopics.clear();
}

} // namespace talvena
