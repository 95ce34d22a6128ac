// talvena-psp against what a hostile test broke: output that could not be written, files that
// must read back, names and links that must not lead astray. Each case is the reproduction that
// once gave a false success or lost data.
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "support/file_bytes.h"
#include "tool_run.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
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

namespace talvena {
namespace {

TEST(PspReliability, AFileCutAtABlockEndOpensButSaysWhichTablesAreMissing)
{
    // Every cut at a block's end of the example, found by walking the lengths: it opens (older
    // files have fewer tables) and standard error names exactly the tables after the cut.
    const QByteArray whole = fileBytes(kExample);
    const char* names[] = {"PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR", "FILES"};
    QTemporaryDir tmp;
    qsizetype end = 9;
    for (int kept = 1; kept <= 5; ++kept) {
        end += 4 + qFromLittleEndian<int32_t>(whole.constData() + end);
        const QString cut = tmp.filePath(QStringLiteral("cut%1.psp").arg(kept));
        writeFileBytes(cut, whole.left(end));
        const ProgramRun r = run("talvena-psp", {"dump", cut});
        EXPECT_EQ(r.exitCode, 0) << kept << r.err.toStdString();
        QStringList missing;
        for (int i = kept; i < 5; ++i) missing << names[i];
        if (missing.isEmpty()) {
            EXPECT_EQ(r.err, "") << "the whole file";
        } else {
            EXPECT_TRUE(r.err.contains(("Файл кончается раньше " + QString(missing.size() == 1 ? "таблицы " : "таблиц ")
                                        + missing.join(", ") + ":").toUtf8()))
                << kept << ": " << r.err.toStdString();
        }
    }
    EXPECT_EQ(end, whole.size());
}

} // namespace
} // namespace talvena
