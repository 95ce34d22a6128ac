#pragma once
// Folders of generated passports for the catalogue tests, and what the model itself says of each
// file there: the oracle the catalogue is compared with.
#include "tool_run.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QMap>
#include <QString>

#include <memory>
#include <random>

namespace talvena {

class TDataModule2;

namespace test {

struct PassportVariant {
    QString objectName;
    int oblast = 4042;  // Dict4
    int method = 89;    // Dict5
    int endYear = 2020;
    double oilArea = 18.6; // share of the example's range, by horizon, taken as a factor
    double longitude = 70; // where its contours lie
};

// Makes passport files through the model from the example passport's source.
class PassportMaker {
public:
    PassportMaker();
    ~PassportMaker();
    void make(const QString& path, const PassportVariant& v);
    PassportVariant random(std::mt19937& gen, int number);

private:
    std::unique_ptr<TDataModule2> module_;
    QJsonObject source_;
};

// What find --json should print for a file.
struct Expected {
    QString path, objectName, region, error;
    double oil = 0, dissolvedGas = 0, gas = 0, condensate = 0;
    int endYear = 0;
    QString method;
    QByteArray sha;
    double minLon = 0, maxLon = 0;
};

// Every passport file of the folder (by content) as the model loads it, duplicates left out
// (the first path in code-point order stays), in order of path.
std::vector<Expected> ExpectedCatalogue(const QString& folder);

// find --json output parsed; compares with the oracle and reports differences.
void ExpectFindMatches(const QByteArray& json, const std::vector<Expected>& expected, const std::string& where);

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);

inline const QString kTrickyName = QStringLiteral("Объект \"Д'Арси\"'); DROP TABLE passports; -- %_");

inline ProgramRun psp(const QStringList& args) { return run("talvena-psp", args); }

inline QByteArray findJson(const QString& db, const QStringList& options = {})
{
    const ProgramRun r = psp(QStringList{"find", "--db", db, "--json"} + options);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out;
}


// A temporary folder that passports are made in.
struct Folder {
    QTemporaryDir dir;
    PassportMaker maker;
    std::mt19937 gen{20261210};
    int next = 0;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString add(const QString& name)
    {
        const QString p = path(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        maker.make(p, maker.random(gen, next++));
        return p;
    }
};

} // namespace test
} // namespace talvena
