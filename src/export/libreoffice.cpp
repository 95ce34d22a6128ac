#include "export/libreoffice.h"

#include "base/error.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <csignal>
#include <unistd.h>

namespace talvena {

namespace {

constexpr int kKeptOutput = 4000; // characters of the program's output quoted in an error

QString tail(const QByteArray& output)
{
    QString text = QString::fromLocal8Bit(output).trimmed();
    if (text.size() > kKeptOutput) text = QStringLiteral("…") + text.right(kKeptOutput);
    return text;
}

std::string withOutput(const QString& message, const QString& output)
{
    return (output.isEmpty() ? message : message + QStringLiteral("\nВывод LibreOffice:\n") + output).toStdString();
}

} // namespace

QString FindLibreOffice()
{
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return {};
}

QString RunLibreOfficeConversion(const LibreOfficeConversion& conversion)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Its own process group, so that a time-out ends the program together with the processes
    // it starts (the launcher script, oosplash, soffice.bin).
    process.setChildProcessModifier([] { ::setsid(); });
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--invisible"),
                          QStringLiteral("--norestore"),
                          QStringLiteral("--nologo"),
                          QStringLiteral("--nodefault"),
                          QStringLiteral("--nolockcheck"),
                          QStringLiteral("-env:UserInstallation=")
                              + QUrl::fromLocalFile(conversion.profileFolder).toString(QUrl::FullyEncoded),
                          QStringLiteral("--convert-to"),
                          conversion.targetFilter,
                          QStringLiteral("--outdir"),
                          conversion.outputFolder};
    arguments += conversion.sources;
    process.start(conversion.program, arguments);
    if (!process.waitForStarted(30000))
        throw Error(formatMessage("Не удалось запустить LibreOffice (%s): %s",
                                  {conversion.program.toStdString(), process.errorString().toStdString()}));

    QByteArray output;
    const QDeadlineTimer deadline(conversion.timeout);
    while (!process.waitForFinished(100)) {
        output += process.readAll();
        if (process.state() == QProcess::NotRunning) break;
        if (deadline.hasExpired()) {
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished(5000);
            output += process.readAll();
            throw Error(withOutput(
                QStringLiteral("LibreOffice не закончил преобразование за %1 с и был остановлен.")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(conversion.timeout).count()),
                tail(output)));
        }
        if (conversion.whileWaiting) conversion.whileWaiting();
    }
    output += process.readAll();
    if (process.exitStatus() != QProcess::NormalExit)
        throw Error(withOutput(QStringLiteral("LibreOffice аварийно завершился при преобразовании."), tail(output)));
    if (process.exitCode() != 0)
        throw Error(withOutput(QStringLiteral("LibreOffice завершился с кодом %1 при преобразовании.").arg(process.exitCode()),
                               tail(output)));
    return QString::fromLocal8Bit(output);
}

} // namespace talvena
