// talvena-psp set runs the rules the form runs: values typed in from the command line give the
// passport the model's own edits give, cascades included; undoing those edits gives back the
// passport as opened and redoing them the command line's result. A refused value saves nothing.
#include "support/file_bytes.h"
#include "tool_run.h"
#include "model/data_module.h"
#include "model/passport_rules.h"
#include "tools/passport_json.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace talvena;

namespace {

QByteArray dumpOf(const QString& path)
{
    TDataModule2 m;
    m.DataModuleCreate(besideTests(""));
    m.LoadPassport(path);
    return PassportJson(m, "x");
}

TEST(PspSet, ValuesTypedFromTheCommandLineRunTheFormsRulesAndUndoToTheOpenedPassport)
{
    ensureApplication();
    QTemporaryDir tmp;
    const QString passport = tmp.filePath("p.psp");
    ASSERT_TRUE(QFile::copy(kExample, passport));

    // The electrical group empties the seismic one; a krai empties the oblast; the explosive
    // source selects the seismic group again (emptying the electrical one) and its other question.
    const std::pair<const char*, Value> edits[] = {
        {"ELECTROMETHOD", Value::bytes("VEZ")},
        {"KRAI_ID", Value::integer(32)},
        {"NONEXPLOSIVETYPE_ID", Value::integer(10001)},
        {"DRIVINGTYPE_ID", Value::integer(108)},
        {"GEO_PROVINCE_ID", Value::integer(11002)},
    };
    const ProgramRun r = run("talvena-psp", {"set", passport, "ELECTROMETHOD=VEZ", "krai_id=32",
                                             "NONEXPLOSIVETYPE_ID=10001", "DRIVINGTYPE_ID=108", "GEO_PROVINCE_ID=11002"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray fromCommandLine = dumpOf(passport);

    TDataModule2 m;
    m.DataModuleCreate(besideTests(""));
    m.LoadPassport(kExample);
    const QByteArray opened = PassportJson(m, "x");
    for (const auto& [field, value] : edits) EditPassportField(m, field, value, QString::fromLatin1(field));
    EXPECT_EQ(PassportJson(m, "x"), fromCommandLine);
    Field& f = *m.PASPORTS.findField("PREPARATIONMETHOD_ID");
    EXPECT_EQ(f.asInteger(), kSeismicMethod);
    for (const char* emptied : {"SHOOTSCALE", "MOGTREPETISHIONS", "ELECTROMETHOD", "OBLAST_ID", "NONEXPLOSIVETYPE_ID",
                                "GEO_OBLAST_ID", "GEO_RAION_ID"})
        EXPECT_TRUE(m.PASPORTS.fieldByName(emptied).isNull()) << emptied;
    EXPECT_EQ(m.PASPORTS.fieldByName("KRAI_ID").asInteger(), 32);
    EXPECT_EQ(m.journal().doneSteps(), std::size(edits));

    while (m.UndoAction().table) {
    }
    EXPECT_EQ(PassportJson(m, "x"), opened);
    while (m.RedoAction().table) {
    }
    EXPECT_EQ(PassportJson(m, "x"), fromCommandLine);

    // A value the field refuses stops everything: the file keeps its bytes.
    const QByteArray before = testsupport::fileBytes(passport);
    const ProgramRun refused = run("talvena-psp", {"set", passport, "OBJECTNAME=Новое", "REPORTYEAR=-5"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.startsWith("REPORTYEAR: ")) << refused.err.toStdString();
    EXPECT_EQ(testsupport::fileBytes(passport), before);
    EXPECT_EQ(run("talvena-psp", {"set", passport, "_SHOOTSCALE=1"}).exitCode, 2);
}

} // namespace
