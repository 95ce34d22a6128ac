#include "base/log_line.h"
#include "base/random_id.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <set>

using namespace talvena;

TEST(LogLine, PathInTheTemporaryFolder)
{
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/var/tmp");
    EXPECT_EQ(logFilePath(), "/var/tmp/Talvena.log");
    qputenv("TMPDIR", "/var/tmp/");
    EXPECT_EQ(logFilePath(), "/var/tmp/Talvena.log");
    qputenv("TMPDIR", "");
    EXPECT_EQ(logFilePath(), "/tmp/Talvena.log");
    qputenv("TMPDIR", saved);
}

TEST(LogLine, AppendsToWhatIsThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Talvena.log");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
    }
    WriteLogLine("\xC0\xE1", path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    ASSERT_EQ(text.size(), 5 + 21 + 2 + 2);
    EXPECT_TRUE(text.startsWith("old\r\n["));
    EXPECT_TRUE(text.endsWith("]\xC0\xE1\r\n"));
}

TEST(RandomId, SeededSequenceRepeatsAndStaysInRange)
{
    seedRandom(1234);
    std::vector<int32_t> first;
    for (int i = 0; i < 100; ++i)
        first.push_back(RandomInt(1000));
    seedRandom(1234);
    std::set<int32_t> seen;
    for (int i = 0; i < 100; ++i) {
        const int32_t value = RandomInt(1000);
        EXPECT_EQ(value, first[size_t(i)]);
        EXPECT_GE(value, 0);
        EXPECT_LT(value, 1000);
        seen.insert(value);
    }
    EXPECT_GT(seen.size(), 80u);
    EXPECT_EQ(RandomInt(1), 0);
    EXPECT_EQ(RandomInt(0), 0);
    int32_t largest = 0;
    for (int i = 0; i < 1000; ++i)
        largest = std::max(largest, RandomInt(2147483647));
    EXPECT_GT(largest, 1 << 30); // the whole 31-bit range is reached
}
