// talvena-psp extract and a damaged passport, run as the user runs them: what stands under a
// target name is replaced and never written through, a folder in the way fails that file only,
// printed names cannot carry control characters, and a damaged file needs --force.
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "support/file_bytes.h"
#include "tool_run.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace talvena {
namespace {

using testsupport::fileBytes;
using testsupport::writeFileBytes;



// A passport with the given attachments (stored name → content).
QString passportWith(const QTemporaryDir& tmp, const std::vector<std::pair<QByteArray, QByteArray>>& files)
{
    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));
    for (const auto& [name, content] : files) {
        writeFileBytes(tmp.filePath("source"), content);
        AddAttachment(module.FILES, name, tmp.filePath("source"));
    }
    const QString path = tmp.filePath("p.psp");
    module.SavePassport(path);
    return path;
}

TEST(PspExtractSafety, WhatStandsUnderATargetNameIsReplacedNeverWrittenThrough)
{
    QTemporaryDir tmp;
    const QString out = tmp.filePath("out");
    QDir().mkpath(out);
    writeFileBytes(tmp.filePath("victim.txt"), "victim");
    ASSERT_TRUE(QFile::link(tmp.filePath("victim.txt"), out + "/link.txt"));             // symbolic link
    ASSERT_EQ(::link(QFile::encodeName(tmp.filePath("victim.txt")).constData(),
                     QFile::encodeName(out + "/hard.txt").constData()), 0);              // hard link
    ASSERT_EQ(::mkfifo(QFile::encodeName(out + "/fifo.txt").constData(), 0600), 0);     // would block an open
    QDir().mkpath(out + "/folder.txt/inside");                                           // a folder in the way

    const QString psp = passportWith(tmp, {{"link.txt", "new link"}, {"hard.txt", "new hard"},
                                           {"fifo.txt", "new fifo"}, {"folder.txt", "lost"}, {"after.txt", "after"}});
    const ProgramRun r = run("talvena-psp", {"extract", psp, out});
    EXPECT_EQ(r.exitCode, 1); // one file could not be written
    EXPECT_EQ(fileBytes(tmp.filePath("victim.txt")), "victim");
    EXPECT_EQ(fileBytes(out + "/link.txt"), "new link");
    EXPECT_FALSE(QFileInfo(out + "/link.txt").isSymLink());
    EXPECT_EQ(fileBytes(out + "/hard.txt"), "new hard");
    EXPECT_EQ(fileBytes(out + "/fifo.txt"), "new fifo");
    EXPECT_TRUE(QFileInfo(out + "/folder.txt").isDir());
    EXPECT_EQ(fileBytes(out + "/after.txt"), "after"); // the files after the failure are still written
    EXPECT_TRUE(r.err.contains("not written \"" + QFile::encodeName(out + "/folder.txt") + "\""));
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("Это папка, а не файл.").toUtf8()));
    // No temporary file is left behind.
    for (const QString& name : QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_FALSE(name.startsWith('.')) << name.toStdString();
}

TEST(PspExtractSafety, PrintedNamesCarryNoControlCharacters)
{
    QTemporaryDir tmp;
    const QString psp = passportWith(tmp, {{"\x1b[2Jclear\tme.txt", "x"}});
    // The folder given may hold them too (a name cannot: it is reduced to a plain file name).
    const QString out = tmp.filePath(QStringLiteral("out\x1b[2J\nfake line"));
    const ProgramRun r = run("talvena-psp", {"extract", psp, out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains('\x1b'));
    EXPECT_FALSE(r.out.contains('\t'));
    EXPECT_EQ(r.out.count('\n'), 1);
    EXPECT_TRUE(r.out.contains("out\\x1B[2J\\x0Afake line/_[2Jclear_me.txt\n")) << r.out.toStdString();
    EXPECT_EQ(fileBytes(out + "/_[2Jclear_me.txt"), "x");
}

TEST(PspDamaged, AChecksumMismatchIsRefusedUnlessForced)
{
    QTemporaryDir tmp;
    const QString psp = passportWith(tmp, {});
    QByteArray bytes = fileBytes(psp);
    const int32_t first = qFromLittleEndian<int32_t>(bytes.constData() + 9);
    const qsizetype second = 9 + 4 + first;
    const int32_t length = qFromLittleEndian<int32_t>(bytes.constData() + second);
    bytes[second + 4 + length - 4] = char(bytes[second + 4 + length - 4] ^ 1); // REFLECT_HORIZONTS' stored length
    writeFileBytes(psp, bytes);

    const ProgramRun refused = run("talvena-psp", {"dump", psp});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(refused.err),
              QString::fromUtf8("Файл повреждён: не совпадает контрольная сумма таблицы REFLECT_HORIZONTS.\n"));
    EXPECT_TRUE(refused.out.isEmpty());
    const ProgramRun forced = run("talvena-psp", {"dump", "--force", psp});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_TRUE(forced.out.startsWith("{"));
    EXPECT_EQ(run("talvena-psp", {"convert", psp, tmp.filePath("c.psp")}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(tmp.filePath("c.psp")));
    EXPECT_EQ(run("talvena-psp", {"convert", "--force", psp, tmp.filePath("c.psp")}).exitCode, 0);
}

} // namespace
} // namespace talvena
