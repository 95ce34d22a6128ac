#include "dialogs/version_query.h"

#include "support/http_test_server.h"

#include <gtest/gtest.h>

using namespace talvena;
using namespace talvena::testing;
using namespace std::chrono_literals;

TEST(VersionQueryTest, FirstLineLosesBlanksAndControlCharactersAroundIt)
{
    EXPECT_EQ(firstReplyLine("  V:1.21.0.0 \t\r\nV:2.0\r\n"), "V:1.21.0.0");
    EXPECT_EQ(firstReplyLine("\x01\x1fV:1.21.0.0\x7f\x00"), "V:1.21.0.0");
    EXPECT_EQ(firstReplyLine("V: 1.2 1\rsecond"), "V: 1.2 1"); // blanks inside stay
    EXPECT_EQ(firstReplyLine("V:1\nsecond"), "V:1");
    EXPECT_EQ(firstReplyLine("\r\nV:1.21.0.0"), ""); // the first line is empty
    EXPECT_EQ(firstReplyLine(""), "");
    EXPECT_EQ(firstReplyLine("V:\xE2\xE5\xF0\xF1\xE8\xFF"), QString::fromUtf8("V:версия")); // CP1251
}

TEST(VersionQueryTest, OnlyCapitalVColonStartsAVersion)
{
    EXPECT_EQ(serverVersionText("V:1.21.0.0"), "1.21.0.0");
    EXPECT_EQ(serverVersionText("V:1.21b.0.RC1"), "1.21b.0.RC1");
    // Not a version: no answer.
    QString tables = "V:";
    for (int i = 0; i < 22; ++i) tables += "<table><tr><td>";
    for (const QString& not_ : {QString("V: 1.21.0.0"), QString("V:"), QString("V:1.2-3"), tables,
                                QString("V:<a href='x'>2.0</a>"), QString("V:") + QString(65, u'1'), QString("V:1.2\u0416")})
        EXPECT_EQ(serverVersionText(not_), std::nullopt) << not_.toStdString();
    EXPECT_EQ(serverVersionText("V:" + QString(64, u'1')), QString(64, u'1'));
    EXPECT_EQ(serverVersionText("v:1.21.0.0"), std::nullopt);
    EXPECT_EQ(serverVersionText("V 1.21.0.0"), std::nullopt);
    EXPECT_EQ(serverVersionText(""), std::nullopt);
}

TEST(VersionQueryTest, VersionsAreOrderedPartByPart)
{
    // Each row strictly older than the next; equal spellings within a row.
    const QList<QStringList> ordered = {{"0.9"}, {"1", "1.0", "1.0.0.0", "01.00"}, {"1.0.0.1"}, {"1.2"},
                                        {"1.10"}, {"1.21.0.0"}, {"1.21.0.0a"}, {"1.21.0.0b"},
                                        {"2", "2.0"}, {"10.0"}, {"99999999999999999999.1"}};
    for (qsizetype i = 0; i < ordered.size(); ++i)
        for (qsizetype j = 0; j < ordered.size(); ++j)
            for (const QString& a : ordered[i])
                for (const QString& b : ordered[j])
                    EXPECT_EQ(compareVersions(a, b), i < j ? -1 : i > j ? 1 : 0) << a.toStdString() << " " << b.toStdString();
}

TEST(VersionQueryTest, ServerSettingIsHostOrHostAndPort)
{
    EXPECT_EQ(updateServerUrl("update.example.ru", kVersionPath),
              QUrl("http://update.example.ru/cgi-bin/Talvena.dll/FileVer"));
    EXPECT_EQ(updateServerUrl(" 10.0.0.7:8080 ", kSetupPath), QUrl("http://10.0.0.7:8080/TalvenaSetup.exe"));
    EXPECT_EQ(updateServerUrl("[::1]:81", kSetupPath), QUrl("http://[::1]:81/TalvenaSetup.exe"));
    for (const char* bad : {"", "   ", "http://host", "host/path", "host:", "host:0", "host:70000", "host:8x",
                            "user@host", "my host", "host?x", "host#x"})
        EXPECT_EQ(updateServerUrl(bad, kVersionPath), std::nullopt) << bad;
}

class HttpGetTest : public ::testing::Test {
protected:
    HttpTestServer server;
    QUrl url() const { return *updateServerUrl(server.address(), kVersionPath); }
};

TEST_F(HttpGetTest, OneRequestWithoutHeadersOfOurOwn)
{
    server.reply("V:1.21.0.0\r\n");
    EXPECT_EQ(httpGet(url(), 5s), QByteArray("V:1.21.0.0\r\n"));
    ASSERT_EQ(server.requests.size(), 1);
    const QList<QByteArray> lines = server.requests[0].split('\n');
    EXPECT_EQ(lines[0].trimmed(), "GET /cgi-bin/Talvena.dll/FileVer HTTP/1.1");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        EXPECT_FALSE(lines[i].toLower().contains("talvena")) << lines[i].constData();
        EXPECT_FALSE(lines[i].toLower().startsWith("cookie")) << lines[i].constData();
    }
}

TEST_F(HttpGetTest, ARedirectIsAnAnswerLikeAnyOther)
{
    server.raw = "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 5\r\nConnection: close\r\n\r\nmoved";
    EXPECT_EQ(httpGet(url(), 5s), QByteArray("moved"));
    server.reply("oops", "500 Internal Server Error");
    EXPECT_EQ(httpGet(url(), 5s), QByteArray("oops"));
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(HttpGetTest, BrokenExchangesGiveNothing)
{
    // The connection breaks before the promised body is complete.
    server.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nV:1.21";
    EXPECT_EQ(httpGet(url(), 5s), std::nullopt);

    // Not HTTP at all.
    server.raw = "V:1.21.0.0\r\n";
    EXPECT_EQ(httpGet(url(), 5s), std::nullopt);

    // More than any version line could need.
    server.reply(QByteArray(3 << 20, 'x'));
    EXPECT_EQ(httpGet(url(), 5s), std::nullopt);
}
