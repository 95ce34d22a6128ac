// `talvena-psp check` run as a user runs it: its exit code, its lines and its JSON read back by an
// independent reader, on a passport with findings and one without.
#include "tool_run.h"
#include "base/cp1251.h"
#include "model/data_module.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace talvena {
namespace {

TEST(PspCheck, ExitCodeLinesAndJsonOfTheFindings)
{
    ensureApplication();
    QTemporaryDir dir;
    TDataModule2 module;
    module.DataModuleCreate(QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath());
    RecordTable& p = module.PASPORTS;
    p.fieldByName("OBJECTNAME").setString(utf8ToCp1251("Проверяемое"));
    p.fieldByName("FEDERALOKRUG_ID").setInteger(1007);
    p.fieldByName("OBLAST_ID").setInteger(4042);
    int year = 2000;
    for (const char* f : {"SHOWINGUPYEAR", "STARTPREPARATIONYEAR", "ENDPREPARATIONYEAR", "REPORTYEAR", "PREPAREDFUNDYEAR"})
        p.fieldByName(f).setInteger(year++);
    const QString clean = dir.filePath("clean.psp");
    module.SavePassport(clean);

    ProgramRun r = run("talvena-psp", {"check", clean});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf8("Замечаний нет.\n"));
    r = run("talvena-psp", {"check", "--json", clean});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).array(), QJsonArray());

    RecordTable& h = module.POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251("Ю1"));
    h.post();
    const int id = static_cast<int>(h.fieldByName("ID").asInteger());
    p.edit();
    p.fieldByName("OBJECTNAME").clear();
    p.post();
    const QString faulty = dir.filePath("faulty.psp");
    module.SavePassport(faulty);

    r = run("talvena-psp", {"check", faulty});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.out),
              QString::fromUtf8("PASPORTS.OBJECTNAME [%1]: Не заполнено поле «Наименование объекта».\n"
                                "POSIB_PRODUCT_HOR.UV_ID [%2]: Горизонт «Ю1»: не указан вид углеводородов (УВ).\n"
                                "POSIB_PRODUCT_HOR.KONTURNUMPOINTS [%2]: Горизонт «Ю1»: нет контура ловушки.\n")
                  .arg(p.fieldByName("ID").asInteger())
                  .arg(id));

    r = run("talvena-psp", {"check", "--json", faulty});
    EXPECT_EQ(r.exitCode, 1);
    QJsonParseError error;
    const QJsonArray findings = QJsonDocument::fromJson(r.out, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    ASSERT_EQ(findings.size(), 3);
    const QJsonObject second = findings[1].toObject();
    EXPECT_EQ(second.keys(), (QStringList{"field", "kind", "message", "recordId", "table"}));
    EXPECT_EQ(second["kind"].toString(), "noHydrocarbonKind");
    EXPECT_EQ(second["table"].toString(), "POSIB_PRODUCT_HOR");
    EXPECT_EQ(second["recordId"].toInt(), id);
    EXPECT_EQ(second["field"].toString(), "UV_ID");
    EXPECT_EQ(second["message"].toString(), QString::fromUtf8("Горизонт «Ю1»: не указан вид углеводородов (УВ)."));

    // Wrong usage is told apart from findings.
    EXPECT_EQ(run("talvena-psp", {"check", "--program", "calc", faulty}).exitCode, 2);
    EXPECT_EQ(run("talvena-psp", {"check"}).exitCode, 2);
}

} // namespace
} // namespace talvena
