// The catalogue on a private PostgreSQL server with PostGIS: the same questions give the same
// answers as the GeoPackage of the same folder, psql sees the same passports, and two index runs
// at once neither duplicate nor lose a passport.
#include "passport_folder.h"
#include "postgres_server.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace talvena::test {
namespace {

class CataloguePostgres : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new PostgresServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server->running()) GTEST_SKIP() << "no PostgreSQL server for the catalogue: " << server->problem().toStdString();
    }
    static PostgresServer* server;
};
PostgresServer* CataloguePostgres::server = nullptr;

TEST_F(CataloguePostgres, AnswersAsTheGeoPackageOfTheSameFolderDoes)
{
    Folder f;
    for (int i = 0; i < 7; ++i) f.add(QStringLiteral("p%1.psp").arg(i));
    PassportVariant tricky = f.maker.random(f.gen, f.next++);
    tricky.objectName = kTrickyName;
    f.maker.make(f.path("tricky.psp"), tricky);
    WriteFile(f.path("copy.psp"), ReadFile(f.path("p2.psp")));
    WriteFile(f.path("cut.psp"), ReadFile(f.path("p3.psp")).left(2000));

    const QString uri = server->createDatabase("same_answers");
    const QString gpkg = f.path("catalogue.gpkg");
    EXPECT_EQ(psp({"index", "--db", uri, f.dir.path()}).exitCode, 1);
    EXPECT_EQ(psp({"index", f.dir.path()}).exitCode, 1);
    ExpectFindMatches(findJson(uri), ExpectedCatalogue(f.dir.path()), "server");

    for (const QStringList& options : {QStringList{}, QStringList{"--region", "обл"}, QStringList{"--name", "'); DROP"},
                                       QStringList{"--min-oil", "2.5"}, QStringList{"--min-gas", "4000"},
                                       QStringList{"--bbox", "60.9,57,62.1,59"}})
        EXPECT_EQ(findJson(uri, options), findJson(gpkg, options)) << options.join(' ').toStdString();
    for (const char* by : {"region", "method", "year"}) {
        const ProgramRun a = psp({"totals", "--db", uri, "--by", by, "--json"});
        const ProgramRun b = psp({"totals", "--db", gpkg, "--by", by, "--json"});
        EXPECT_EQ(a.exitCode, 0) << a.err.toStdString();
        EXPECT_EQ(a.out, b.out) << by;
        EXPECT_TRUE(a.out.contains("\"passports\"")) << a.out.toStdString();
    }
    // psql sees the passports and their contours as PostGIS polygons in WGS 84.
    EXPECT_EQ(server->psql(uri, "SELECT COUNT(*) FROM passports").trimmed(), "10");
    EXPECT_EQ(server->psql(uri, "SELECT COUNT(*) FROM passports WHERE object_name = '" + QString(kTrickyName).replace("'", "''") + "'").trimmed(), "1");
    EXPECT_EQ(server->psql(uri, "SELECT DISTINCT ST_SRID(geom) || ' ' || GeometryType(geom) FROM contours").trimmed(), "4326 POLYGON");
}

TEST_F(CataloguePostgres, TwoRunsAtOnceNeitherDuplicateNorLoseAPassport)
{
    Folder f;
    for (int i = 0; i < 12; ++i) f.add(QStringLiteral("a/p%1.psp").arg(i));
    for (int i = 0; i < 12; ++i)
        for (int c = 0; c < 10; ++c)
            WriteFile((QDir().mkpath(f.path("b")), f.path(QStringLiteral("b/c%1-%2.psp").arg(i).arg(c))),
                      ReadFile(f.path(QStringLiteral("a/p%1.psp").arg(i))));
    const QString uri = server->createDatabase("two_runs");
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            // Both runs also find changed files.
            for (int i = 0; i < 12; i += 3) f.maker.make(f.path(QStringLiteral("a/p%1.psp").arg(i)), f.maker.random(f.gen, f.next++));
        }
        ensureApplication();
        QProcess one, two;
        one.start(besideTests("talvena-psp"), {"index", "--db", uri, f.dir.path()});
        two.start(besideTests("talvena-psp"), {"index", "--db", uri, f.path("b"), f.path("a")});
        ASSERT_TRUE(one.waitForFinished(120000) && two.waitForFinished(120000));
        EXPECT_EQ(one.exitCode(), 0) << one.readAllStandardError().toStdString();
        EXPECT_EQ(two.exitCode(), 0) << two.readAllStandardError().toStdString();
        EXPECT_EQ(server->psql(uri, "SELECT COUNT(*), COUNT(DISTINCT path) FROM passports").trimmed(), "132|132");
        EXPECT_EQ(server->psql(uri, "SELECT COUNT(*) FROM passports p WHERE productive_horizons <> "
                                    "(SELECT COUNT(*) FROM horizons h WHERE h.passport_id = p.fid)").trimmed(),
                  "0");
        ExpectFindMatches(findJson(uri), ExpectedCatalogue(f.dir.path()), "round " + std::to_string(round));
    }
}

} // namespace
} // namespace talvena::test
