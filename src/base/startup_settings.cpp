#include "base/startup_settings.h"

#include "base/log_line.h"
#include "base/registry.h"
#include "base/text_case.h"

#include <QFile>

namespace talvena {
namespace {

constexpr char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\Software\\Talvena";
constexpr int kDefaultCompressLevel = 9;
constexpr char kDefaultServerType[] = "IIS";

struct TextSetting {
    const char* valueName;
    QByteArray StartupSettings::*field;
    const char* beforeKey; // when the key cannot be opened
    const char* fallback;  // when the entry is missing, unreadable or empty
};

// Locations of the central installation; nothing in this program goes there, they only reach the
// log. Read in this order.
constexpr TextSetting kTextSettings[] = {
    {"DatabaseName", &StartupSettings::databaseName, "localhost:C:\\DBRoot\\main.gdb", "dbserver:C:\\DBRoot\\main.gdb"},
    {"FilesRoot", &StartupSettings::filesRoot, "F:\\FilesRoot\\", "F:\\FilesRoot\\"},
    {"WebRoot", &StartupSettings::webRoot, "F:\\IISHOME\\WWWROOT\\", "F:\\IISHOME\\WWWROOT\\"},
    {"FtpRoot", &StartupSettings::ftpRoot, "F:\\", "F:\\"},
};

bool isMode1Executable(const QString& path)
{
    const QString fileName = path.sliced(path.lastIndexOf(QLatin1Char('/')) + 1);
    return fileName.toLower().contains(QLatin1Char('1'));
}

void readKey(const RegistryKey& key, StartupSettings& s)
{
    const int level = key.readInteger(QStringLiteral("CompressLevel")).value_or(kDefaultCompressLevel);
    s.compressLevel = level >= 0 && level <= 9 ? level : kDefaultCompressLevel;

    QByteArray serverType = key.readText(QStringLiteral("ServerType")).value_or(QByteArray());
    if (serverType.isEmpty())
        serverType = kDefaultServerType;
    s.serverTypeIIS = serverType.toUpper() == kDefaultServerType; // ASCII upper-casing only

    s.debugMode = key.readInteger(QStringLiteral("DebugMode")).value_or(0) != 0;

    for (const TextSetting& setting : kTextSettings) {
        const std::optional<QByteArray> text = key.readText(QString::fromLatin1(setting.valueName));
        s.*setting.field = text && !text->isEmpty() ? *text : QByteArray(setting.fallback);
    }

    // No fallback: without a server the update check answers as for no connection.
    s.updateServer = key.readText(QStringLiteral("UpdateServer")).value_or(QByteArray());
}

} // namespace

StartupSettings readStartupSettings(const QString& executablePath, const QString& registryFile,
                                    const QString& logFile)
{
    StartupSettings s;
    s.mode1 = isMode1Executable(executablePath);
    for (const TextSetting& setting : kTextSettings)
        s.*setting.field = setting.beforeKey;

    if (const std::optional<RegistryKey> key = RegistryKey::openReadOnly(registryFile, QString::fromLatin1(kSettingsKey)))
        readKey(*key, s);

    if (s.mode1) {
        s.databaseName.replace(".gdb", "1.gdb");
        s.filesRoot.replace("oot\\", "oot1\\");
    }
    WriteLogLine("Mode1=" + QByteArray(s.mode1 ? "1" : "0") + " GlobalDatabaseName=" + s.databaseName +
                     " GlobalFilesRootDir=" + s.filesRoot,
                 logFile);
    return s;
}

QString executablePath()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

const StartupSettings& startupSettings()
{
    static const StartupSettings settings = readStartupSettings(executablePath(), registryFilePath(), logFilePath());
    return settings;
}

void initUtilityLayer()
{
    lowerCaseTable();
    startupSettings();
}

} // namespace talvena
