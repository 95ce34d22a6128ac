#include "app/passport_lifecycle.h"
#include "dialogs/about_box.h"
#include "gui/desktop_shell.h"
#include "support/http_test_server.h"
#include "window_fixture.h"
#include "support/next_modal.h"

#include <QPushButton>
#include <QTimer>

using namespace talvena;
using namespace talvena::testing;

namespace {

const QString kExit = QString::fromUtf8("Вы действительно хотите выйти из программы?");

class AboutCommandTest : public LifecycleWindowTest {
protected:
    HttpTestServer server;
    QList<QUrl> opened;
    bool shellAccepts = true;

    void SetUp() override
    {
        LifecycleWindowTest::SetUp();
        overrideUpdateServerSetup(UpdateServerSetup{server.address(), std::chrono::seconds(5)});
        installShellOpener([this](const QUrl& url) {
            opened.append(url);
            return shellAccepts;
        });
    }
    void TearDown() override
    {
        installShellOpener({});
        overrideUpdateServerSetup(std::nullopt);
        LifecycleWindowTest::TearDown();
    }

    // Chooses "О программе ..." and, once the box is up, presses its button `buttonName`.
    // Returns whether the box was still open after that.
    bool aboutAndPress(const char* buttonName)
    {
        bool stayedOpen = false;
        const auto pressed = testsupport::driveNextModal<TAboutBox>([&](TAboutBox& box) {
            box.findChild<QPushButton*>(QString::fromLatin1(buttonName))->click();
            // A box that stayed open is closed by the user afterwards.
            stayedOpen = box.isVisible();
            if (stayedOpen) box.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });
        menuAction("N9")->trigger();
        settle();
        EXPECT_TRUE(*pressed);
        return stayedOpen;
    }
    QAction* menuAction(const char* name) const { return window->menuAction(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(AboutCommandTest, ClosingTheBoxLeavesTheProgramRunning)
{
    EXPECT_FALSE(aboutAndPress("Button1"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(AboutCommandTest, AcceptedUpdateClosesTheWindowThroughTheCloseQuery)
{
    server.reply("V:1.22.0.0\r\n");
    ui.answers = {BoxAnswer::Yes /*update*/, BoxAnswer::Yes /*exit*/, BoxAnswer::No /*save*/};
    aboutAndPress("Button2");
    EXPECT_EQ(opened.size(), 1);
    ASSERT_GE(ui.boxes.size(), 2);
    EXPECT_EQ(ui.boxes[1].text, kExit);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AboutCommandTest, CancellingTheCloseQueryKeepsTheProgramRunning)
{
    server.reply("V:1.22.0.0\r\n");
    ui.answers = {BoxAnswer::Yes /*update*/, BoxAnswer::No /*exit*/};
    aboutAndPress("Button2");
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(ui.boxTexts().last(), kExit);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AboutCommandTest, ARefusedSetupNeitherClosesTheBoxNorAsksToExit)
{
    server.reply("V:1.22.0.0\r\n");
    shellAccepts = false;
    ui.answers = {BoxAnswer::Yes};
    EXPECT_TRUE(aboutAndPress("Button2"));
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(ui.boxes.size(), 1); // the update question only
    EXPECT_TRUE(window->isVisible());
}
