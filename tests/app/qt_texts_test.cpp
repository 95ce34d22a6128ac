// Qt's own dialogs speak Russian, and the program's questions answer Escape with their most careful
// button, on the real Qt boxes.
#include "gui/qt_translations.h"
#include "gui/qt_user_interaction.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs `act` on the modal dialog once it is shown.
void whenModalShown(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

TEST(QtTexts, TheFileDialogsOfQtSpeakRussian)
{
    QTranslator* translator = installQtTranslations();
    ASSERT_NE(translator, nullptr) << "qtbase_ru is missing: install qt6-translations-l10n";
    QFileDialog dialog(nullptr, u("Сохранить файл паспорта"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QStringList texts;
    for (QAbstractButton* b : buttons->buttons()) texts << b->text().remove('&');
    EXPECT_TRUE(texts.contains(u("Сохранить"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(u("Отмена"))) << texts.join('|').toStdString();
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    EXPECT_FALSE(labels.contains(QStringLiteral("Look in:"))) << labels.join('|').toStdString();
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

TEST(QtTexts, EscapeInTheSaveQuestionIsCancelAndInAYesNoQuestionNo)
{
    QtUserInteraction ui;
    whenModalShown([](QWidget* box) {
        QStringList buttons;
        for (QPushButton* b : box->findChildren<QPushButton*>()) buttons << b->text();
        EXPECT_EQ(buttons.size(), 3);
        EXPECT_TRUE(buttons.contains(u("Отмена")));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(ui.askYesNoCancel(BoxCaption::Warning, u("Вы не сохранили паспорт. Сохранить?")), BoxAnswer::Cancel);

    whenModalShown([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(ui.askYesNo(BoxCaption::Warning, u("Вы действительно хотите выйти из программы?")));

    whenModalShown([](QWidget* box) { box->findChild<QPushButton*>("noButton")->click(); });
    EXPECT_EQ(ui.askYesNoCancel(BoxCaption::Warning, u("?")), BoxAnswer::No);
    whenModalShown([](QWidget* box) { box->findChild<QPushButton*>("yesButton")->click(); });
    EXPECT_EQ(ui.askYesNoCancel(BoxCaption::Warning, u("?")), BoxAnswer::Yes);
}

TEST(QtTexts, MessagesAreShownAsPlainTextWhateverTheyHold)
{
    // A server's reply of 22 nested tables once took minutes to lay out as rich text.
    QtUserInteraction ui;
    QString tables = "V:";
    for (int i = 0; i < 22; ++i) tables += "<table><tr><td>";
    for (const QString& text : {tables, QString("<a href='http://x/'>Обновить</a>"), QString("<b>жирный</b>")}) {
        whenModalShown([&](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(message, nullptr);
            EXPECT_EQ(message->textFormat(), Qt::PlainText);
            EXPECT_EQ(message->text(), text);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ui.showError(text);
    }
}

} // namespace
