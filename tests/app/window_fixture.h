#pragma once
// The real main window over a data module loaded from the shipped dictionaries, driven by object
// names; message boxes and pickers are answered by scripts.
#include "gui/field_binders.h"
#include "app/main_window.h"
#include "app/passport_lifecycle.h"
#include "gui/number_spinner.h"
#include "gui/picker_box.h"
#include "gui/scripted_interaction.h"
#include "app/value_pickers.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "model/data_module.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace talvena::testing {

class ScriptedPickers : public ValuePickers {
public:
    std::deque<std::optional<int>> scales, indexes;
    QList<int> presets;
    std::optional<int> pickScale(int current) override { return next(scales, current); }
    std::optional<int> pickStratigraphicIndex(int current) override { return next(indexes, current); }

private:
    std::optional<int> next(std::deque<std::optional<int>>& q, int current)
    {
        presets.append(current);
        if (q.empty()) return std::nullopt;
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        installUserInteraction(&ui);
        dm = std::make_unique<TDataModule2>();
        dm->DataModuleCreate(QCoreApplication::applicationDirPath());
        window = std::make_unique<TMainForm>(*dm, ui);
        window->setPickers(&pickers);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        settle();
    }

    void TearDown() override
    {
        window.reset();
        dm.reset();
        installUserInteraction(nullptr);
    }

    // Lets queued events (page messages, deferred reports, focus returns) run.
    static void settle()
    {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    template <class T = QWidget>
    T* find(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QLineEdit* editorOf(const char* name) const
    {
        QWidget* w = find(name);
        if (auto* spinner = dynamic_cast<NumberSpinner*>(w)) return spinner->editor();
        if (auto* box = dynamic_cast<PickerBox*>(w)) return box->textBox();
        return qobject_cast<QLineEdit*>(w);
    }

    QString shown(const char* name) const
    {
        QWidget* w = find(name);
        if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
        if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
        return editorOf(name)->text();
    }

    // Makes the control's page current, as the user would, and gives the control the focus.
    void focus(const char* name)
    {
        QWidget* w = find(name);
        for (int i = 0; i < window->PageControl2()->count(); ++i)
            if (window->PageControl2()->widget(i)->isAncestorOf(w)) window->PageControl2()->setCurrentIndex(i);
        QWidget* target = editorOf(name) ? static_cast<QWidget*>(editorOf(name)) : w;
        target->setFocus(Qt::MouseFocusReason);
        settle();
    }

    // Key presses carrying the characters, Cyrillic ones included.
    static void keyChars(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &release);
        }
    }
    // Types into a text edit or spinner (the text is appended to what it shows).
    void type(const char* name, const QString& text)
    {
        focus(name);
        editorOf(name)->end(false);
        keyChars(editorOf(name), text);
    }
    void replaceText(const char* name, const QString& text)
    {
        focus(name);
        editorOf(name)->selectAll();
        keyChars(editorOf(name), text);
    }
    // Leaves the control with Tab and lets the deferred reports run.
    void leave(const char* name)
    {
        QTest::keyClick(editorOf(name), Qt::Key_Tab);
        settle();
    }
    // Picks an entry of a drop-down as the user does from its list.
    void pick(const char* name, const char* entry)
    {
        auto* combo = find<QComboBox>(name);
        focus(name);
        const int index = combo->findText(QString::fromUtf8(entry));
        ASSERT_GE(index, 0) << entry;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        settle();
    }

    Field& field(const char* name) const { return dm->PASPORTS.fieldByName(name); }
    QString text(const char* name) const { return cp1251ToUnicode(field(name).asString()); }
    bool isNull(const char* name) const { return field(name).isNull(); }
    bool enabled(const char* name) const { return find(name)->isEnabled(); }

    ScriptedInteraction ui;
    ScriptedPickers pickers;
    std::unique_ptr<TDataModule2> dm;
    std::unique_ptr<TMainForm> window;
};

// The window with the passport's commands (new, open, save, export, exit …) in place.
class LifecycleWindowTest : public WindowTest {
protected:
    std::unique_ptr<PassportLifecycle> life;

    void SetUp() override
    {
        WindowTest::SetUp();
        life = std::make_unique<PassportLifecycle>(*window, *dm, ui);
        window->setCommands(life.get());
    }
    void TearDown() override
    {
        window->setCommands(nullptr);
        life.reset();
        WindowTest::TearDown();
    }
};

inline QString u(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace talvena::testing
