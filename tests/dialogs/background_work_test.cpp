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
#include <condition_variable>
#include <future>
#include <mutex>

using namespace talvena;

namespace {

QWidget* progressForm(QWidget* window) { return window->findChild<QWidget*>(QStringLiteral("LoadingForm")); }

} // namespace

TEST(BackgroundWork, TheWindowKeepsRunningAndCannotBeClosedWhileTheWorkRuns)
{
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The work goes on until the window has shown what it must while it runs: timer ticks, a
    // refused close and the progress form. Nothing here depends on how fast the machine is.
    std::mutex mutex;
    std::condition_variable released;
    bool seenEnough = false;
    int ticks = 0;
    bool formShown = false;
    bool closeTried = false;
    bool closeRefused = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        if (QWidget* f = progressForm(&window); f && f->isVisible()) formShown = true;
        if (!closeTried) {
            closeTried = true;
            QCloseEvent close;
            QCoreApplication::sendEvent(&window, &close);
            closeRefused = !close.isAccepted();
        }
        if (ticks >= 5 && formShown) {
            const std::lock_guard lock(mutex);
            seenEnough = true;
            released.notify_one();
        }
    });
    tick.start(1);
    std::atomic<bool> workDone{false};
    RunWithProgress(
        [&] {
            std::unique_lock lock(mutex);
            // A stuck window fails the checks below instead of hanging the test.
            released.wait_for(lock, std::chrono::seconds(30), [&] { return seenEnough; });
            workDone = true;
        },
        QStringLiteral("Загрузка файла ..."), &window, 50);
    EXPECT_TRUE(workDone);
    EXPECT_TRUE(closeRefused);
    EXPECT_GE(ticks, 5);           // the timers went on
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

TEST(BackgroundWork, ARunInsideAnotherLeavesTheOwnerBusyUntilTheOuterRunEnds)
{
    QWidget window;
    bool busy = false;
    // The inner run starts from the outer run's event loop, as a queued command would; the outer
    // work waits for it to end, so the order does not depend on timing.
    std::promise<void> innerEnded;
    std::future<void> outerMayEnd = innerEnded.get_future();
    bool busyAfterInner = false;
    QTimer::singleShot(0, [&] {
        RunWhileBusy(busy, [] {}, QStringLiteral("inner"), &window, 10'000);
        busyAfterInner = busy;
        innerEnded.set_value();
    });
    RunWhileBusy(busy, [&] { outerMayEnd.wait(); }, QStringLiteral("outer"), &window, 10'000);
    EXPECT_TRUE(busyAfterInner);
    EXPECT_FALSE(busy);

    // A failed run gives the flag back too, whatever it was.
    for (const bool before : {false, true}) {
        busy = before;
        EXPECT_THROW(RunWhileBusy(busy, [] { throw Error("x"); }, QStringLiteral("x"), &window, 10'000), Error);
        EXPECT_EQ(busy, before);
    }
}
