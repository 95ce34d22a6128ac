#include "base/error.h"
#include "dialogs/file_copy_animation.h"
#include "dialogs/loading_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace talvena;

TEST(LoadingForm, LayoutAndText)
{
    TLoadingForm f;
    EXPECT_EQ(f.size(), QSize(272, 94));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_EQ(f.text(), "Загрузка файла ...");
    for (const char* text : {"Загрузка ...", "Сохранение ...", "Распаковка ..."}) {
        f.setText(text);
        EXPECT_EQ(f.label()->text(), text);
    }
    EXPECT_EQ(f.animation()->geometry(), QRect(0, 0, 272, 60));
    const QRect label = f.label()->geometry();
    EXPECT_GE(label.top(), 60);
    EXPECT_LE(label.bottom(), 93);
    EXPECT_EQ(label.width(), 272);
    EXPECT_TRUE(f.label()->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(f.label()->font().bold());
    EXPECT_EQ(f.label()->font().pixelSize(), 24);
    // Every text its users set fits the window.
    EXPECT_LE(f.label()->fontMetrics().horizontalAdvance("Загрузка файла ..."), 272);

    EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(f.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(f.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((f.geometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(LoadingForm, ShownNonModalAndNotClosableByTheUser)
{
    TLoadingForm f;
    f.show();
    EXPECT_FALSE(f.isModal());
    f.close();
    EXPECT_TRUE(f.isVisible());
}

TEST(LoadingForm, AnimationPlaysWhileShown)
{
    TLoadingForm f;
    EXPECT_FALSE(f.animation()->playing());
    f.show();
    EXPECT_TRUE(f.animation()->playing());
    const int start = f.animation()->frame();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.animation()->frame() != start; }, 2000));
    f.hide();
    EXPECT_FALSE(f.animation()->playing());
}

TEST(LoadingForm, ScopeShowsTheFormAndDestroysItAlsoAfterAnError)
{
    QPointer<TLoadingForm> seen;
    {
        ProgressFormScope scope("Сохранение ...");
        seen = scope.form();
        ASSERT_TRUE(seen);
        EXPECT_TRUE(seen->isVisible());
        EXPECT_EQ(seen->text(), "Сохранение ...");
    }
    EXPECT_TRUE(seen.isNull());

    try {
        ProgressFormScope scope("Загрузка ...");
        seen = scope.form();
        throw Error("Stream read error");
    } catch (const Error&) {
    }
    EXPECT_TRUE(seen.isNull());

    // A parent that goes first takes the form with it; the scope must not delete it again.
    auto* owner = new QWidget;
    {
        ProgressFormScope scope("Распаковка ...", owner);
        seen = scope.form();
        EXPECT_TRUE(seen->isWindow());
        delete owner;
        EXPECT_TRUE(seen.isNull());
        scope.setText("ignored");
    }
}
