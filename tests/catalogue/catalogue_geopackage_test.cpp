// The catalogue in a GeoPackage, as a user runs it: talvena-psp index, find and totals over
// folders of generated passports, compared with what the model itself loads from each file, and
// the GeoPackage read back by GDAL's own ogrinfo.
#include "passport_folder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <random>
#include <set>

namespace talvena::test {
namespace {

// One number from an SQL statement run by GDAL's own ogrinfo.
long long ogrNumber(const QString& gpkg, const QString& sql)
{
    const ProgramRun r = runProgram("ogrinfo", {"-q", gpkg, "-sql", sql});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const qsizetype at = r.out.lastIndexOf('=');
    return at < 0 ? -1 : r.out.mid(at + 1).trimmed().toLongLong();
}

// Every good passport's rows hang together: as many horizons and contours as it has, nothing
// left of a passport that is gone.
void expectConsistent(const QString& gpkg)
{
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM passports p WHERE error IS NULL AND productive_horizons <> "
                              "(SELECT COUNT(*) FROM horizons h WHERE h.passport_id = p.fid)"), 0);
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM contours c WHERE NOT EXISTS "
                              "(SELECT 1 FROM passports p WHERE p.fid = c.passport_id)"), 0);
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM horizons c WHERE NOT EXISTS "
                              "(SELECT 1 FROM passports p WHERE p.fid = c.passport_id)"), 0);
}

TEST(CatalogueGeoPackage, ListsEachGoodPassportOnceWithTheModelsTotalsAndTheDamagedWithTheirErrors)
{
    Folder f;
    for (int i = 0; i < 8; ++i) f.add(QStringLiteral("area%1/p%2%3").arg(i % 3).arg(i).arg(i % 2 ? ".psp" : ".dat"));
    PassportVariant tricky = f.maker.random(f.gen, f.next++);
    tricky.objectName = kTrickyName;
    f.maker.make(f.path("tricky.psp"), tricky);
    // Copies under other names, a cut file, one whose first table block lost a byte, and files
    // that are no passports at all.
    const QByteArray first = ReadFile(f.path("area0/p0.dat"));
    WriteFile(f.path("copies/same as p0.bin"), (QDir().mkpath(f.path("copies")), first));
    WriteFile(f.path("copies/zz.psp"), ReadFile(f.path("area1/p1.psp")));
    WriteFile(f.path("cut.psp"), first.left(first.size() / 2));
    QByteArray flipped = first;
    flipped[40] = char(flipped[40] ^ 0x55);
    WriteFile(f.path("flipped.psp"), flipped);
    WriteFile(f.path("notes.psp"), "not a passport\n");
    WriteFile(f.path("empty.psp"), "");

    const QString gpkg = f.path("catalogue.gpkg");
    const ProgramRun r = psp({"index", f.dir.path()});
    EXPECT_EQ(r.exitCode, 1) << "damaged files make the exit code 1";
    EXPECT_TRUE(r.err.contains("cut.psp") && r.err.contains("flipped.psp")) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(gpkg)) << "the default catalogue lies in the first folder";

    const std::vector<Expected> expected = ExpectedCatalogue(f.dir.path());
    ASSERT_EQ(expected.size(), 11u) << "9 good, 2 damaged; copies once";
    ExpectFindMatches(findJson(gpkg), expected, "whole catalogue");
    expectConsistent(gpkg);

    // GDAL's own reader sees every file with its own row and the contours as a polygon layer in WGS 84.
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM passports"), 13);
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM contours"), 4 * 11);
    const ProgramRun info = runProgram("ogrinfo", {"-ro", "-so", gpkg, "contours"});
    EXPECT_TRUE(info.out.contains("Geometry: Polygon") && info.out.contains("EPSG\",4326"))
        << info.out.toStdString();

    // The text with quotes and SQL is stored as it is, found as text, and harmed nothing.
    const QJsonArray trickyFound = QJsonDocument::fromJson(findJson(gpkg, {"--name", "'); DROP TABLE"})).array();
    ASSERT_EQ(trickyFound.size(), 1);
    EXPECT_EQ(trickyFound[0].toObject()["objectName"].toString(), kTrickyName);
    EXPECT_EQ(QJsonDocument::fromJson(findJson(gpkg, {"--name", "%_"})).array().size(), 1) << "no LIKE patterns";
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM passports WHERE object_name = '" +
                                  QString(kTrickyName).replace("'", "''") + "'"), 1);

    // Filters against the oracle: regions, totals, a box round one passport's contours.
    const auto expectFiltered = [&](const QStringList& options, const std::function<bool(const Expected&)>& keep) {
        std::vector<Expected> subset;
        for (const Expected& e : expected)
            if (keep(e)) subset.push_back(e);
        ExpectFindMatches(findJson(gpkg, options), subset, options.join(' ').toStdString());
        return subset.size();
    };
    EXPECT_GT(expectFiltered({"--region", "томская"}, [](const Expected& e) { return e.region == "Томская область"; }), 0u);
    EXPECT_GT(expectFiltered({"--region", "Сибирский"}, [](const Expected& e) { return e.error.isEmpty(); }), 0u);
    double middle = 0;
    for (const Expected& e : expected) middle += e.oil / 9;
    const size_t rich = expectFiltered({"--min-oil", QString::number(middle)},
                                       [&](const Expected& e) { return e.error.isEmpty() && e.oil >= middle; });
    EXPECT_GT(rich, 0u);
    EXPECT_LT(rich, 9u);
    expectFiltered({"--min-gas", "1e9"}, [](const Expected&) { return false; });
    // Passport n has its contours round longitude 60 + n/2; a box across the edge of p3's.
    EXPECT_EQ(expectFiltered({"--bbox", "61.54,57.9,61.6,58.2"},
                             [&](const Expected& e) { return e.objectName == QStringLiteral("Структура №3"); }),
              1u);
    expectFiltered({"--bbox", "10,10,11,11"}, [](const Expected&) { return false; });

    // Totals by region add up the listed passports of each region.
    const ProgramRun totals = psp({"totals", "--db", gpkg, "--by", "region", "--json"});
    ASSERT_EQ(totals.exitCode, 0) << totals.err.toStdString();
    std::map<QString, std::pair<int, double>> byRegion;
    for (const Expected& e : expected)
        if (e.error.isEmpty()) ++byRegion[e.region].first, byRegion[e.region].second += e.gas;
    const QJsonArray groups = QJsonDocument::fromJson(totals.out).array();
    ASSERT_EQ(groups.size(), qsizetype(byRegion.size())) << totals.out.toStdString();
    for (const QJsonValue& g : groups) {
        const auto& [count, gas] = byRegion[g["group"].toString()];
        EXPECT_EQ(g["passports"].toInt(), count);
        EXPECT_NEAR(g["gas"].toDouble(), gas, 1e-9 * gas);
        for (const char* key : {"oil", "dissolvedGas", "condensate"}) EXPECT_TRUE(g[key].isDouble()) << key;
    }
}

TEST(CatalogueGeoPackage, RandomChangesBetweenRunsAreFollowedExactly)
{
    Folder f;
    std::vector<QString> files;
    for (int i = 0; i < 6; ++i) files.push_back(f.add(QStringLiteral("p%1.psp").arg(i)));
    const QString gpkg = f.path("cat/catalogue.gpkg");
    QDir().mkpath(f.path("cat"));
    ASSERT_EQ(psp({"index", "--db", gpkg, f.dir.path()}).exitCode, 0);
    for (int round = 0; round < 4; ++round) {
        const std::set<QString> indexed(files.begin(), files.end());
        int removed = 0;
        for (int step = 0; step < 3; ++step) {
            switch (f.gen() % 5) {
            case 0: files.push_back(f.add(QStringLiteral("new/r%1s%2.psp").arg(round).arg(step))); break;
            case 1:
                if (files.size() > 2) {
                    const size_t k = f.gen() % files.size();
                    QFile::remove(files[k]);
                    removed += int(indexed.count(files[k]));
                    files.erase(files.begin() + long(k));
                }
                break;
            case 2: {
                // Rewritten with other content: a changed passport.
                const QString& p = files[f.gen() % files.size()];
                f.maker.make(p, f.maker.random(f.gen, f.next++));
                break;
            }
            case 3: {
                // Same content, a new time: nothing to reload.
                const QString& p = files[f.gen() % files.size()];
                QFile file(p);
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                file.setFileTime(QDateTime::currentDateTime().addSecs(round + 1), QFileDevice::FileModificationTime);
                break;
            }
            default: {
                // A copy: found, yet listed once.
                const QString copy = f.path(QStringLiteral("dup%1-%2.psp").arg(round).arg(step));
                WriteFile(copy, ReadFile(files[f.gen() % files.size()]));
                files.push_back(copy);
            }
            }
        }
        const ProgramRun r = psp({"index", "--db", gpkg, f.dir.path()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("удалено %1,").arg(removed).toUtf8())) << r.out.toStdString();
        ExpectFindMatches(findJson(gpkg), ExpectedCatalogue(f.dir.path()), "round " + std::to_string(round));
        expectConsistent(gpkg);
    }
    // Nothing changed: everything is left as it is.
    const ProgramRun again = psp({"index", "--db", gpkg, f.dir.path()});
    EXPECT_TRUE(again.out.contains(QStringLiteral("добавлено 0, изменено 0, без изменений %1, удалено 0").arg(files.size()).toUtf8()))
        << again.out.toStdString();
}

TEST(CatalogueGeoPackage, ARunKilledAtAnyMomentLeavesACatalogueTheNextRunCompletes)
{
    Folder f;
    for (int i = 0; i < 40; ++i) f.add(QStringLiteral("p%1.psp").arg(i, 3, 10, QChar('0')));
    // Copies make the run long enough to be caught in the middle, cheaply.
    for (int i = 0; i < 40; ++i)
        for (int c = 0; c < 15; ++c)
            WriteFile(f.path(QStringLiteral("c%1-%2.psp").arg(i).arg(c)), ReadFile(f.path(QStringLiteral("p%1.psp").arg(i, 3, 10, QChar('0')))));
    const QString gpkg = f.path("catalogue.gpkg");
    ensureApplication();
    std::set<long long> partial;
    // The first run is killed at once, the next ones as soon as they have committed something.
    long long before = 0;
    for (int kill = 0; kill < 3; ++kill) {
        QProcess p;
        p.start(besideTests("talvena-psp"), {"index", f.dir.path()});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(50);
        while (kill > 0 && p.state() == QProcess::Running) {
            QProcess reader;
            reader.start("ogrinfo", {"-ro", "-q", gpkg, "-sql", "SELECT COUNT(*) AS n FROM passports"});
            reader.waitForFinished();
            const QByteArray out = reader.readAllStandardOutput();
            if (out.contains('=') && out.mid(out.lastIndexOf('=') + 1).trimmed().toLongLong() > before) break;
            QThread::msleep(20);
        }
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished();
        if (!QFileInfo::exists(gpkg)) continue;
        expectConsistent(gpkg);
        before = ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM passports");
        partial.insert(before);
    }
    EXPECT_TRUE(std::any_of(partial.begin(), partial.end(), [](long long n) { return n > 0 && n < 640; }))
        << "some run was caught in the middle: " << ::testing::PrintToString(partial);
    const ProgramRun r = psp({"index", f.dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ExpectFindMatches(findJson(gpkg), ExpectedCatalogue(f.dir.path()), "after the kills");
    expectConsistent(gpkg);
    EXPECT_EQ(ogrNumber(gpkg, "SELECT COUNT(*) AS n FROM passports"), 640);
}

} // namespace
} // namespace talvena::test
