#pragma once
// Running the built command-line programs beside the test program, as a user runs them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace talvena {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "tools_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

inline QString besideTests(const QString& name)
{
    return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath() + '/' + name;
}

inline const QString kExample = QStringLiteral(TALVENA_EXAMPLE_PASSPORT);
inline const QString kExamples = QStringLiteral(TALVENA_EXAMPLES_DIR);

struct ProgramRun {
    int exitCode = -1;
    QByteArray out, err;
};

// Any program, by path or on PATH.
inline ProgramRun runProgram(const QString& program, const QStringList& args)
{
    ensureApplication();
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// A program built beside the test program.
inline ProgramRun run(const QString& program, const QStringList& args)
{
    return runProgram(besideTests(program), args);
}

} // namespace talvena
