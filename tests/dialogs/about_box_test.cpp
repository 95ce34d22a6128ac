#include "dialogs/about_box.h"

#include "gui/desktop_shell.h"
#include "gui/scripted_interaction.h"
#include "support/http_test_server.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace talvena;
using namespace talvena::testing;
using namespace std::chrono_literals;

namespace {

const QString kNoAnswer = QString::fromUtf8("На удалось определить версию файла на сервере");
const QString kSame = QString::fromUtf8("Ваша версия приложения и версия на сервере - совпадают");

class AboutBoxTest : public ::testing::Test {
protected:
    ScriptedInteraction ui;
    HttpTestServer server;
    QList<QUrl> opened; // addresses handed to the shell
    bool shellAccepts = true;
    std::unique_ptr<TAboutBox> box;

    void SetUp() override
    {
        installUserInteraction(&ui);
        installShellOpener([this](const QUrl& url) {
            opened.append(url);
            return shellAccepts;
        });
        open(server.address());
    }
    void TearDown() override
    {
        box.reset();
        installShellOpener({});
        installUserInteraction(nullptr);
    }

    void open(const QByteArray& address, std::chrono::milliseconds timeout = 5s)
    {
        box = std::make_unique<TAboutBox>(nullptr, UpdateServerSetup{address, timeout});
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    }
    template <class T = QWidget>
    T* find(const char* name) const
    {
        T* w = box->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The user presses "Проверить наличие обновлений".
    void check() { QTest::mouseClick(find<QPushButton>("Button2"), Qt::LeftButton); }
    bool boxOpen() const { return box->isVisible(); }
};

} // namespace

TEST_F(AboutBoxTest, ShowsNameVersionPictureAndButtons)
{
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("О программе"));
    EXPECT_EQ(find<QLabel>("ProductName")->text(), QString::fromUtf8("ТАЛВЕНА"));
    EXPECT_EQ(find<QLabel>("Version")->text(), QString::fromUtf8("Версия 1.21.0.77"));
    EXPECT_TRUE(box->isAncestorOf(find("Panel1")));
    const QPixmap picture = find<QLabel>("Image1")->pixmap();
    ASSERT_FALSE(picture.isNull());
    // The picture really was drawn: its middle is not empty.
    const QImage image = picture.toImage();
    EXPECT_NE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);
    EXPECT_EQ(find<QPushButton>("Button2")->text(), QString::fromUtf8("Проверить наличие обновлений"));
    EXPECT_EQ(find<QPushButton>("Button1")->text(), QString::fromUtf8("Закрыть"));
    EXPECT_EQ(box->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(box->minimumSize(), box->maximumSize()); // fixed size
    // Every text fits its label in the fixed layout.
    for (const char* name : {"ProductName", "Version", "Copyright"}) {
        auto* label = find<QLabel>(name);
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
        EXPECT_FALSE(label->text().isEmpty()) << name;
    }
}

TEST_F(AboutBoxTest, CloseAndEscapeEndTheBoxWithoutTheYesResult)
{
    QTest::mouseClick(find<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(boxOpen());
    EXPECT_NE(box->result(), TAboutBox::kYesResult);

    open(server.address());
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_FALSE(boxOpen());
    EXPECT_NE(box->result(), TAboutBox::kYesResult);
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(AboutBoxTest, HelpKeyShowsTheBoxTopic)
{
    QTest::keyClick(box.get(), Qt::Key_F1);
    EXPECT_EQ(ui.helpTopics, QList<int>{TAboutBox::kHelpTopic});
}

TEST_F(AboutBoxTest, EqualVersionsAreReportedAndTheBoxStaysOpen)
{
    server.reply(" \t V:1.21.0.0  \r\nanything\r\n");
    check();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, kSame);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Information);
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Information);
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_TRUE(boxOpen());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(AboutBoxTest, NoVersionLineGivesTheNoAnswerMessage)
{
    struct Case {
        const char* what;
        QByteArray body;
        QByteArray status;
    };
    const Case cases[] = {
        {"small v", "v:1.21.0.0\r\n", "200 OK"},
        {"error page", "<html><body>404 Not Found</body></html>\r\n", "404 Not Found"},
        {"empty body", "", "200 OK"},
        {"version on the second line", "\r\nV:1.21.0.0\r\n", "200 OK"},
        {"a blank before it", "V: 1.21.0.0\r\n", "200 OK"},
        {"nested tables", "V:" + QByteArray("<table><tr><td>").repeated(22), "200 OK"},
        {"a link", "V:<a href=\"http://x/\">2.0</a>", "200 OK"},
        {"too long", "V:" + QByteArray(65, '1'), "200 OK"},
    };
    for (const Case& c : cases) {
        ui.clear();
        server.reply(c.body, c.status);
        check();
        ASSERT_EQ(ui.boxes.size(), 1) << c.what;
        EXPECT_EQ(ui.boxes[0].text, kNoAnswer) << c.what;
        EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error) << c.what;
        EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Error) << c.what;
        EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::Ok) << c.what;
        EXPECT_TRUE(boxOpen()) << c.what;
    }
    EXPECT_EQ(server.requests.size(), std::size(cases));
}

TEST_F(AboutBoxTest, NoServerNoSettingAndNoReplyGiveTheNoAnswerMessage)
{
    open(closedPortAddress());
    check();
    EXPECT_EQ(ui.boxTexts(), QStringList{kNoAnswer});

    ui.clear();
    open(QByteArray());
    check();
    EXPECT_EQ(ui.boxTexts(), QStringList{kNoAnswer});

    ui.clear();
    server.keepSilent();
    open(server.address(), 300ms);
    check();
    EXPECT_EQ(ui.boxTexts(), QStringList{kNoAnswer});
    EXPECT_TRUE(boxOpen());
    EXPECT_TRUE(box->checking() == false && find("Button2")->isEnabled() && find("Button1")->isEnabled());
}

TEST_F(AboutBoxTest, WhileWaitingTheBoxShowsItIsBusyAndCannotBeClosed)
{
    server.reply("V:1.21.0.0");
    bool sawWaitCursor = false, buttonsDisabled = false;
    server.onRequest = [&] {
        // Runs inside the exchange: events keep being handled while the box waits.
        sawWaitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        buttonsDisabled = !find("Button1")->isEnabled() && !find("Button2")->isEnabled();
        EXPECT_TRUE(box->checking());
        QTest::keyClick(box.get(), Qt::Key_Escape);
        box->close();
    };
    check();
    EXPECT_TRUE(sawWaitCursor);
    EXPECT_TRUE(buttonsDisabled);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(boxOpen());
    EXPECT_EQ(ui.boxTexts(), QStringList{kSame});
}

TEST_F(AboutBoxTest, ADifferentVersionOffersTheUpdateShowingTheServerTextExactly)
{
    server.reply("V:1.21.0.0a\r\n");
    ui.answers = {BoxAnswer::No};
    check();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QString::fromUtf8("Ваша версия: 1.21.0.0\rВерсия на сервере: 1.21.0.0a\r"
                                                  "Запустить обновление?"));
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Information);
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Question);
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_TRUE(boxOpen()); // No: nothing happens
    EXPECT_TRUE(opened.isEmpty());

    // An older version is not offered.
    ui.clear();
    server.reply("V:1.0");
    check();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QString::fromUtf8("Версия на сервере (1.0) старше вашей (1.21.0.0): обновление не нужно."));
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_TRUE(boxOpen());

    server.reply("V:2.0");
    ui.answers = {BoxAnswer::Yes};
    check();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl("http://" + server.address() + "/TalvenaSetup.exe"));
    EXPECT_FALSE(boxOpen());
    EXPECT_EQ(box->result(), TAboutBox::kYesResult);
}

TEST_F(AboutBoxTest, AShellThatRefusesTheSetupKeepsTheBoxOpen)
{
    server.reply("V:1.22.0.0");
    shellAccepts = false;
    ui.answers = {BoxAnswer::Yes};
    check();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(ui.boxes.size(), 1); // the question only: a refusal shows nothing
    EXPECT_TRUE(boxOpen());
}
