// talvena-psp simulate as a script uses it: the JSON it prints, its repeatability, and the passport
// it fills, read back by the tool's own dump.
#include "tool_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace talvena {
namespace {

QJsonObject parse(const QByteArray& text)
{
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return d.object();
}

TEST(PspSimulate, PrintsOrderedStatisticsRepeatablyAndFillsThePassport)
{
    const QStringList args = {"simulate", "--trials", "20000", "--seed", "7", "--distribution", "triangular", kExample};
    const ProgramRun first = run("talvena-psp", args);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(run("talvena-psp", args).out, first.out); // the same seed, the same bytes

    const QJsonObject doc = parse(first.out);
    EXPECT_EQ(doc["trials"].toInt(), 20000);
    EXPECT_EQ(doc["distribution"].toString(), "triangular");
    EXPECT_EQ(doc["method"].toString(), "lhs");
    const QJsonArray horizons = doc["horizons"].toArray();
    ASSERT_FALSE(horizons.isEmpty());
    int results = 0;
    for (const QJsonValue& h : horizons) {
        EXPECT_TRUE(h["id"].isDouble());
        EXPECT_FALSE(h["name"].toString().isEmpty());
        for (const char* key : {"oilBalance", "oilRecoverable", "dissolvedGas", "gasInitial", "gasBalance",
                                "condensateBalance", "condensateRecoverable"}) {
            const QJsonObject s = h[key].toObject();
            if (s.isEmpty()) continue;
            ++results;
            EXPECT_LE(s["min"].toDouble(), s["p90"].toDouble()) << key;
            EXPECT_LE(s["p90"].toDouble(), s["p50"].toDouble()) << key;
            EXPECT_LE(s["p50"].toDouble(), s["p10"].toDouble()) << key;
            EXPECT_LE(s["p10"].toDouble(), s["max"].toDouble()) << key;
            EXPECT_GT(s["probabilityOfMean"].toDouble(), 0);
            EXPECT_LE(s["probabilityOfMean"].toDouble(), 1);
        }
    }
    EXPECT_GT(results, 0);
    const QJsonObject totals = doc["totals"].toObject();
    EXPECT_TRUE(totals.contains("oil"));

    // Another seed draws other trials; another method too.
    QStringList other = args;
    other[4] = "8";
    EXPECT_NE(run("talvena-psp", other).out, first.out);

    // --fill: the passport saved with the means and P90/P10 in its result fields.
    QTemporaryDir dir;
    const QString filled = dir.filePath("filled.psp");
    QStringList fill = args;
    fill.insert(fill.size() - 1, "--fill");
    fill.insert(fill.size() - 1, filled);
    const ProgramRun filling = run("talvena-psp", fill);
    ASSERT_EQ(filling.exitCode, 0) << filling.err.toStdString();
    EXPECT_EQ(filling.out, first.out);
    const ProgramRun dump = run("talvena-psp", {"dump", filled});
    ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    const QJsonArray rows = parse(dump.out)["tables"].toObject()["POSIB_PRODUCT_HOR"].toArray();
    int checked = 0;
    for (const QJsonValue& h : horizons) {
        for (const QJsonValue& row : rows) {
            if (row["ID"].toInt() != h["id"].toInt()) continue;
            if (h["oilRecoverable"].isObject()) {
                EXPECT_EQ(row["OILPERSPECTRESOURCEP"].toDouble(), h["oilRecoverable"]["mean"].toDouble());
                EXPECT_EQ(row["OILPERSPECTRESOURCEPD"].toDouble(), h["oilRecoverable"]["probabilityOfMean"].toDouble());
                ++checked;
            }
            if (h["condensateBalance"].isObject()) {
                EXPECT_EQ(row["BALANCERESGAZCONDMIN"].toDouble(), h["condensateBalance"]["p90"].toDouble());
                EXPECT_EQ(row["BALANCERESGAZCONDMAX"].toDouble(), h["condensateBalance"]["p10"].toDouble());
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1);

    const ProgramRun bad = run("talvena-psp", {"simulate", "--method", "sobol", kExample});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("unknown method")) << bad.err.toStdString();
}

} // namespace
} // namespace talvena
