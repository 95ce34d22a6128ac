// Work run away from the window's thread: the window keeps painting and its timers running, the
// window cannot be closed meanwhile, the progress form comes only for long work,
// and an error of the work reaches the caller.
#include "base/error.h"
#include "dialogs/background_work.h"

#include <QCloseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace talvena;

namespace {

QWidget* progressForm(QWidget* window) { return window->findChild<QWidget*>(QStringLiteral("LoadingForm")); }

} // namespace

TEST(BackgroundWork, TheWindowKeepsRunningAndCannotBeClosedWhileTheWorkRuns)
{
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    int ticks = 0;
    bool formShown = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        if (QWidget* f = progressForm(&window); f && f->isVisible()) formShown = true;
    });
    tick.start(10);
    std::atomic<bool> workDone{false};
    bool closeRefused = false;
    QTimer::singleShot(20, [&] {
        QCloseEvent close;
        QCoreApplication::sendEvent(&window, &close);
        closeRefused = !close.isAccepted();
    });
    RunWithProgress(
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            workDone = true;
        },
        QStringLiteral("Загрузка файла ..."), &window, 50);
    EXPECT_TRUE(workDone);
    EXPECT_TRUE(closeRefused);
    EXPECT_GT(ticks, 10);          // the timers went on
    EXPECT_TRUE(formShown);        // a long work shows the form
    EXPECT_EQ(progressForm(&window), nullptr); // and takes it away
    // The window closes again once the work is over.
    QCloseEvent close;
    QCoreApplication::sendEvent(&window, &close);
    EXPECT_TRUE(close.isAccepted());
}

TEST(BackgroundWork, ShortWorkShowsNoFormAndErrorsReachTheCaller)
{
    QWidget window;
    window.show();
    bool formSeen = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { formSeen = formSeen || progressForm(&window); });
    tick.start(1);
    RunWithProgress([] {}, QStringLiteral("x"), &window, 10'000);
    EXPECT_FALSE(formSeen);
    EXPECT_EQ(progressForm(&window), nullptr);
    try {
        RunWithProgress([] { throw Error("Cannot open file \"a\". b"); }, QStringLiteral("x"), &window, 0);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"a\". b");
    }
    EXPECT_EQ(progressForm(&window), nullptr);
}
