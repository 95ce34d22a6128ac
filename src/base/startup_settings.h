#pragma once
// Settings read once at start from the registry key "HKEY_LOCAL_MACHINE\Software\Talvena".
// Mode1, the database name and the files root reach only the log line; the update server is the
// address the About box asks for a newer version.
#include <QByteArray>
#include <QString>

namespace talvena {

struct StartupSettings {
    int compressLevel = 9;     // 0..9
    bool serverTypeIIS = true; // ServerType, upper-cased, is "IIS"
    bool debugMode = false;
    QByteArray databaseName;   // CP1251 texts
    QByteArray filesRoot;
    QByteArray webRoot;
    QByteArray ftpRoot;
    QByteArray updateServer; // UpdateServer: "host" or "host:port"; empty when not set
    bool mode1 = false; // the executable's file name holds a "1": a second installation beside the first
};

// Reads the settings for the executable at `executablePath` from the .reg file `registryFile`
// and appends the log line "Mode1=… GlobalDatabaseName=… GlobalFilesRootDir=…" to `logFile`.
StartupSettings readStartupSettings(const QString& executablePath, const QString& registryFile,
                                    const QString& logFile);

// The running program's file (/proc/self/exe).
QString executablePath();

// The process's settings, read on first use from executablePath(), registryFilePath() and
// logFilePath(); the log line is written then.
const StartupSettings& startupSettings();

// Brings up the utility layer before anything else runs: the lower-case table and the settings
// (with their log line). Calling it again does nothing.
void initUtilityLayer();

} // namespace talvena
