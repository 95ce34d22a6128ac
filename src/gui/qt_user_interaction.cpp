#include "gui/qt_user_interaction.h"

#include "gui/help_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace talvena {

namespace {

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtUserInteraction::QtUserInteraction() = default;

QtUserInteraction::~QtUserInteraction()
{
    if (help_) delete help_.data();
}

BoxAnswer QtUserInteraction::messageBox(BoxCaption caption, const QString& text, BoxIcon icon, BoxButtons buttons)
{
    // Over the dialog the user is in, if any, else over the main window.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_.data();
    QMessageBox box(qtIcon(icon), boxCaptionText(caption), text, QMessageBox::NoButton, owner);
    box.setObjectName(QStringLiteral("MessageBox"));
    // Messages carry texts from files and servers: never read as markup, which could draw its
    // own prompt or take minutes to lay out.
    box.setTextFormat(Qt::PlainText);
    if (buttons == BoxButtons::Ok || buttons == BoxButtons::OkOpenFolder) {
        QAbstractButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        QAbstractButton* folder = nullptr;
        if (buttons == BoxButtons::OkOpenFolder) {
            folder = box.addButton(QStringLiteral("&Открыть папку"), QMessageBox::ActionRole);
            folder->setObjectName(QStringLiteral("openFolderButton"));
            box.setDefaultButton(static_cast<QPushButton*>(ok));
            box.setEscapeButton(ok);
        }
        box.exec();
        return folder && box.clickedButton() == folder ? BoxAnswer::Yes : BoxAnswer::Ok;
    }
    if (buttons == BoxButtons::ReadOnlyCancel) {
        QAbstractButton* readOnly = box.addButton(QStringLiteral("Открыть только для &чтения"), QMessageBox::AcceptRole);
        QAbstractButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
        readOnly->setObjectName(QStringLiteral("readOnlyButton"));
        cancel->setObjectName(QStringLiteral("cancelButton"));
        box.setEscapeButton(cancel);
        box.setDefaultButton(static_cast<QPushButton*>(readOnly));
        box.exec();
        return box.clickedButton() == readOnly ? BoxAnswer::Yes : BoxAnswer::Cancel;
    }
    QAbstractButton* yes = box.addButton(QStringLiteral("&Да"), QMessageBox::YesRole);
    QAbstractButton* no = box.addButton(QStringLiteral("&Нет"), QMessageBox::NoRole);
    QAbstractButton* cancel = nullptr;
    if (buttons == BoxButtons::YesNoCancel) cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    if (buttons == BoxButtons::YesNoLater) cancel = box.addButton(QStringLiteral("&Позже"), QMessageBox::RejectRole);
    yes->setObjectName(QStringLiteral("yesButton"));
    no->setObjectName(QStringLiteral("noButton"));
    if (cancel) cancel->setObjectName(QStringLiteral("cancelButton"));
    // Escape and the close button answer the box's most careful button.
    box.setEscapeButton(cancel ? cancel : no);
    box.setDefaultButton(static_cast<QPushButton*>(buttons == BoxButtons::YesNoDefaultNo ? no : yes));
    box.exec();
    if (box.clickedButton() == yes) return BoxAnswer::Yes;
    if (box.clickedButton() == no || !cancel) return BoxAnswer::No;
    return BoxAnswer::Cancel;
}

QString QtUserInteraction::openFileName(const QString& title, const QString& filter, const QString& folder)
{
    return QFileDialog::getOpenFileName(parent_, title, folder, filter);
}

QString QtUserInteraction::saveFileName(const QString& title, const QString& filter, const QString& folder,
                                        const QString& defaultSuffix)
{
    QFileDialog dialog(parent_, title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString QtUserInteraction::folderName(const QString& title, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parent_, title, folder);
}

std::optional<QString> QtUserInteraction::inputText(const QString& title, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

void QtUserInteraction::showHelpTopic(int topic)
{
    // The file is read when help is first asked for, so start-up does not pay for it.
    if (!help_) help_ = new HelpWindow(HelpFile::load(helpFilePath()), parent_);
    help_->showTopic(topic);
}

} // namespace talvena
