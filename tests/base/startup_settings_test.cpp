#include "base/startup_settings.h"

#include "reg_file.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace talvena;

namespace {

class StartupSettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // Settings read from a file whose Talvena key holds `entries`.
    StartupSettings read(const QByteArray& entries, const QString& executable = "/opt/talvena/talvena")
    {
        return readStartupSettings(executable, writeFile(dir, "talvena.reg", settingsRegFile(entries)), logPath());
    }
    QString logPath() const { return dir.filePath("Talvena.log"); }
    QByteArray log() const
    {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(StartupSettingsTest, CompressLevelOutsideZeroToNineIsNine)
{
    EXPECT_EQ(read("\"CompressLevel\"=dword:ffffffff").compressLevel, 9);
    EXPECT_EQ(read("\"CompressLevel\"=dword:0000000a").compressLevel, 9);
    EXPECT_EQ(read("\"CompressLevel\"=dword:00000000").compressLevel, 0);
    EXPECT_EQ(read("\"CompressLevel\"=dword:00000004").compressLevel, 4);
    EXPECT_EQ(read("\"CompressLevel\"=\"4\"").compressLevel, 9);
}

TEST_F(StartupSettingsTest, ServerTypeAndDebugMode)
{
    EXPECT_TRUE(read("\"ServerType\"=\"iis\"").serverTypeIIS);
    EXPECT_FALSE(read("\"ServerType\"=\"IIS \"").serverTypeIIS);
    EXPECT_FALSE(read("\"ServerType\"=\"Apache\"").serverTypeIIS);
    EXPECT_TRUE(read("\"ServerType\"=\"\"").serverTypeIIS);
    EXPECT_TRUE(read("\"ServerType\"=dword:00000001").serverTypeIIS);

    EXPECT_TRUE(read("\"DebugMode\"=dword:00000002").debugMode);
    EXPECT_FALSE(read("\"DebugMode\"=dword:00000000").debugMode);
    EXPECT_FALSE(read("\"DebugMode\"=\"1\"").debugMode);
}

TEST_F(StartupSettingsTest, TextValuesBeforeTheKeyAndFallbacks)
{
    const StartupSettings noKey = readStartupSettings("/opt/talvena/talvena", dir.filePath("missing.reg"), logPath());
    EXPECT_EQ(noKey.databaseName, "localhost:C:\\DBRoot\\main.gdb");
    EXPECT_EQ(noKey.filesRoot, "F:\\FilesRoot\\");
    EXPECT_EQ(noKey.webRoot, "F:\\IISHOME\\WWWROOT\\");
    EXPECT_EQ(noKey.ftpRoot, "F:\\");
    EXPECT_EQ(noKey.compressLevel, 9);
    EXPECT_TRUE(noKey.serverTypeIIS);
    EXPECT_FALSE(noKey.debugMode);

    const StartupSettings empty = read("\"DatabaseName\"=\"\"\n\"FtpRoot\"=dword:00000001\n\"WebRoot\"=\"G:\\\\Web\\\\\"");
    EXPECT_EQ(empty.databaseName, "dbserver:C:\\DBRoot\\main.gdb");
    EXPECT_EQ(empty.ftpRoot, "F:\\");
    EXPECT_EQ(empty.webRoot, "G:\\Web\\");
    EXPECT_EQ(empty.filesRoot, "F:\\FilesRoot\\");

    // A file that is no .reg file counts as a missing key.
    const StartupSettings malformed = readStartupSettings(
        "/opt/talvena/talvena", writeFile(dir, "bad.reg", "[HKEY_LOCAL_MACHINE\\Software\\Talvena]\n\"DatabaseName\"=\"x\"\n"), logPath());
    EXPECT_EQ(malformed.databaseName, "localhost:C:\\DBRoot\\main.gdb");
}

TEST_F(StartupSettingsTest, UpdateServerIsATextValueWithoutFallback)
{
    EXPECT_EQ(read("\"UpdateServer\"=\"update.example.ru:8080\"").updateServer, "update.example.ru:8080");
    EXPECT_EQ(read("\"updateserver\"=\"host\"").updateServer, "host");
    EXPECT_EQ(read("\"UpdateServer\"=dword:00000001").updateServer, "");
    EXPECT_EQ(read("\"DatabaseName\"=\"x\"").updateServer, "");
    EXPECT_EQ(readStartupSettings("/opt/talvena/talvena", dir.filePath("missing.reg"), logPath()).updateServer, "");
    // It is no business of the log line.
    read("\"UpdateServer\"=\"secret-host\"");
    EXPECT_FALSE(log().contains("secret-host"));
}

TEST_F(StartupSettingsTest, Mode1ComesFromTheFileNameOnly)
{
    const StartupSettings second = read("", "/opt/talvena/Talvena1");
    EXPECT_TRUE(second.mode1);
    EXPECT_EQ(second.databaseName, "dbserver:C:\\DBRoot\\main1.gdb");
    EXPECT_EQ(second.filesRoot, "F:\\FilesRoot1\\");

    const StartupSettings first = read("", "/opt/talvena1/talvena");
    EXPECT_FALSE(first.mode1);
    EXPECT_EQ(first.databaseName, "dbserver:C:\\DBRoot\\main.gdb");

    // Replacements see letter case and every occurrence.
    const StartupSettings own = read("\"DatabaseName\"=\"srv:D:\\\\a.gdb\\\\B.GDB\"\n\"FilesRoot\"=\"E:\\\\Root\\\\Boot\\\\\"", "/x/t1");
    EXPECT_EQ(own.databaseName, "srv:D:\\a1.gdb\\B.GDB");
    EXPECT_EQ(own.filesRoot, "E:\\Root1\\Boot1\\");
}

TEST_F(StartupSettingsTest, LogLineAppendedPerStart)
{
    read("\"DatabaseName\"=\"srv:D:\\\\Базы\\\\p.gdb\"", "/opt/talvena/talvena");
    read("", "/opt/talvena/talvena1");
    const QByteArray text = log();
    const QRegularExpression pattern(QStringLiteral(
        R"(^\[\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\]Mode1=0 GlobalDatabaseName=srv:D:\\\xC1\xE0\xE7\xFB\\p\.gdb GlobalFilesRootDir=F:\\FilesRoot\\\r\n)"
        R"(\[[^\]]+\]Mode1=1 GlobalDatabaseName=dbserver:C:\\DBRoot\\main1\.gdb GlobalFilesRootDir=F:\\FilesRoot1\\\r\n$)"));
    EXPECT_TRUE(pattern.match(QString::fromLatin1(text)).hasMatch()) << text.toStdString();
}

TEST_F(StartupSettingsTest, LogFileThatCannotBeCreatedIsIgnored)
{
    const QString notAFolder = writeFile(dir, "plain", "x");
    StartupSettings s;
    EXPECT_NO_THROW(s = readStartupSettings("/opt/t1", dir.filePath("missing.reg"), notAFolder + "/Talvena.log"));
    EXPECT_TRUE(s.mode1);
    EXPECT_EQ(s.databaseName, "localhost:C:\\DBRoot\\main1.gdb");
}

TEST(ProcessStartupSettings, ReadFromTheEnvironmentOnce)
{
    QTemporaryDir dir;
    qputenv("TALVENA_REGISTRY", QFile::encodeName(writeFile(dir, "t.reg", settingsRegFile("\"FtpRoot\"=\"H:\\\\\"\n"))));
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    EXPECT_TRUE(executablePath().endsWith("/base_tests"));
    initUtilityLayer();
    initUtilityLayer();
    EXPECT_EQ(startupSettings().ftpRoot, "H:\\");
    EXPECT_FALSE(startupSettings().mode1);
    QFile log(dir.filePath("Talvena.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("\r\n"), 1);
}
