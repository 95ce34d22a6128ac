// talvena-psp against what a hostile test broke: output that could not be written, files that
// must read back, names and links that must not lead astray. Each case is the reproduction that
// once gave a false success or lost data.
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "support/file_bytes.h"
#include "tool_run.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace talvena {
namespace {

using testsupport::fileBytes;
using testsupport::writeFileBytes;

ProgramRun runToFullDisk(const QStringList& args)
{
    ensureApplication();
    QProcess p;
    p.setStandardOutputFile("/dev/full");
    p.start(besideTests("talvena-psp"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, {}, p.readAllStandardError()};
}

TEST(PspReliability, OutputThatCannotBeWrittenIsAFailure)
{
    QTemporaryDir tmp;
    const QList<QStringList> commands = {{"dump", kExample},
                                         {"contours", kExample},
                                         {"extract", kExample, tmp.filePath("extracted")},
                                         {"unpack", kExample, tmp.filePath("unpacked")},
                                         {"--help"}};
    for (const QStringList& args : commands) {
        const ProgramRun r = runToFullDisk(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("cannot write to standard output: No space left on device"))
            << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
}

} // namespace
} // namespace talvena
