#include "tools/gis_commands.h"
#include "tools/standard_output.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "gis/contour_export.h"
#include "gis/contour_import.h"
#include "gis/gis_file.h"
#include "model/contour_editing.h"
#include "model/data_module.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace talvena {

namespace {

using namespace gis;

// Options that take a value, and the plain arguments, as given.
struct Parsed {
    std::map<std::string, QByteArray> options;
    bool force = false;
    std::vector<QByteArray> plain;
    std::string problem;
};

Parsed parse(const std::vector<char*>& args, std::initializer_list<const char*> valued, bool takesForce)
{
    Parsed p;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string a = args[i];
        if (takesForce && a == "--force") {
            p.force = true;
            continue;
        }
        bool known = false;
        for (const char* v : valued)
            if (a == v) known = true;
        if (known) {
            if (i + 1 == args.size()) {
                p.problem = a + " needs a value";
                return p;
            }
            p.options[a] = args[++i];
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            p.problem = "unknown option " + a;
            return p;
        } else {
            p.plain.push_back(args[i]);
        }
    }
    return p;
}

const char kUsage[] =
    "  talvena-psp contours [--force] [--format GPKG|\"ESRI Shapefile\"|\"MapInfo File\"|KML|GeoJSON|DXF]\n"
    "              [--crs EPSG:N] [--datum pulkovo1942|gsk2011|wgs84] [--zone N] [--other-crs EPSG:N]\n"
    "              FILE [OUT]\n"
    "  talvena-psp import-contour [--layer NAME] [--feature N] [--part N] [--crs EPSG:N|none]\n"
    "              [--datum pulkovo1942|gsk2011|wgs84] [--type 0-4] [--horizon-crs EPSG:N|none]\n"
    "              PASSPORT HORIZON GISFILE\n";

int usage(const std::string& problem)
{
    std::fprintf(stderr, "talvena-psp: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

std::optional<Datum> datumOption(const Parsed& p, std::string& problem)
{
    const auto it = p.options.find("--datum");
    if (it == p.options.end()) return Datum::Pulkovo1942;
    if (const std::optional<Datum> d = ParseDatum(it->second)) return d;
    problem = "unknown datum \"" + it->second.toStdString() + "\" (pulkovo1942, gsk2011 or wgs84)";
    return std::nullopt;
}

// "none" is the system-less choice; anything else an EPSG code.
std::optional<Crs> crsOption(const Parsed& p, const char* name, bool noneAllowed)
{
    const auto it = p.options.find(name);
    if (it == p.options.end()) return std::nullopt;
    if (noneAllowed && it->second == "none") return Crs{};
    return ParseCrsText(it->second);
}

bool intOption(const Parsed& p, const char* name, int& out, int low, int high)
{
    const auto it = p.options.find(name);
    if (it == p.options.end()) return true;
    bool ok = false;
    out = it->second.toInt(&ok);
    return ok && out >= low && out <= high;
}

void load(TDataModule2& module, const QString& dictionaryFolder, const QString& file, bool force)
{
    module.DataModuleCreate(dictionaryFolder);
    TDataModule2::DamagedFileQuestion openDamaged;
    if (force) openDamaged = [](const PassportReadReport&) { return true; };
    module.LoadPassport(file, {}, openDamaged);
}

// The horizon by its STRATIGRSVIT or its position from 1; made current.
void selectHorizon(TDataModule2& module, const QByteArray& given)
{
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    const QString wanted = QString::fromUtf8(given);
    const Field& name = h.fieldByName("STRATIGRSVIT");
    for (int pos = 0; pos < h.visibleCount(); ++pos)
        if (cp1251ToUnicode(h.rowBytes(h.visibleRow(pos), name)) == wanted) return h.moveTo(pos);
    bool ok = false;
    const int position = given.toInt(&ok);
    if (ok && position >= 1 && position <= h.visibleCount()) return h.moveTo(position - 1);
    throw Error(formatMessage("В паспорте нет продуктивного горизонта «%s» (горизонтов: %s).",
                              {given.toStdString(), std::to_string(h.visibleCount())}));
}

bool helpAsked(const std::vector<char*>& args)
{
    for (const char* a : args)
        if (std::strcmp(a, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
    return false;
}

} // namespace

int ContoursCommand(const std::vector<char*>& args, const QString& dictionaryFolder)
{
    if (helpAsked(args)) return 0;
    const Parsed p = parse(args, {"--format", "--crs", "--datum", "--zone", "--other-crs"}, true);
    if (!p.problem.empty()) return usage(p.problem);
    if (p.plain.size() != 1 && p.plain.size() != 2) return usage("wrong number of arguments for contours");
    ExportSettings settings;
    std::string problem;
    const std::optional<Datum> datum = datumOption(p, problem);
    if (!datum) return usage(problem);
    settings.datum = *datum;
    if (const auto f = p.options.find("--format"); f != p.options.end()) {
        if (!FindExportFormat(f->second)) return usage("unknown format \"" + f->second.toStdString() + "\"");
        settings.format = FindExportFormat(f->second)->driver;
    }
    if (p.plain.size() == 1 && settings.format != "GeoJSON") return usage("only GeoJSON goes to standard output: give OUT");
    if (!intOption(p, "--zone", settings.zone, 1, 60)) return usage("--zone needs a zone number 1-60");
    settings.crs = crsOption(p, "--crs", false);
    settings.otherTypesCrs = crsOption(p, "--other-crs", false);

    TDataModule2 module;
    load(module, dictionaryFolder, QFile::decodeName(p.plain[0]), p.force);
    const QString out = p.plain.size() == 2 ? QFile::decodeName(p.plain[1]) : QStringLiteral("/vsistdout/");
    const ExportResult result = ExportContours(module, out, settings);
    PrintOut(result.standardOutput);
    for (const QString& line : result.notWritten) std::fprintf(stderr, "не записан контур %s\n", line.toUtf8().constData());
    return result.notWritten.isEmpty() ? 0 : 1;
}

int ImportContourCommand(const std::vector<char*>& args, const QString& dictionaryFolder)
{
    if (helpAsked(args)) return 0;
    const Parsed p = parse(args, {"--layer", "--feature", "--part", "--crs", "--datum", "--type", "--horizon-crs"}, false);
    if (!p.problem.empty()) return usage(p.problem);
    if (p.plain.size() != 3) return usage("wrong number of arguments for import-contour");
    std::string problem;
    const std::optional<Datum> datum = datumOption(p, problem);
    if (!datum) return usage(problem);
    ContourChoice choice;
    if (const auto l = p.options.find("--layer"); l != p.options.end()) choice.layer = QString::fromUtf8(l->second);
    int feature = -1, part = -1, type = -1;
    if (!intOption(p, "--feature", feature, 1, INT32_MAX)) return usage("--feature needs a number from 1");
    if (!intOption(p, "--part", part, 1, INT32_MAX)) return usage("--part needs a number from 1");
    if (!intOption(p, "--type", type, 0, 4)) return usage("--type needs a coordinate type 0-4");
    choice.feature = feature;
    choice.part = part;
    const std::optional<Crs> givenCrs = crsOption(p, "--crs", true);
    const std::optional<Crs> horizonCrs = crsOption(p, "--horizon-crs", true);

    const QString passport = QFile::decodeName(p.plain[0]);
    // The file is read and converted in full before the passport is touched.
    const GisFile file = ReadGisFile(QFile::decodeName(p.plain[2]));
    const ChosenContour chosen = ChooseContour(file, choice);
    const std::optional<Crs> from = givenCrs ? givenCrs : (chosen.layer->crs.none() ? std::nullopt : std::optional(chosen.layer->crs));
    if (!from)
        throw Error("В файле нет системы координат: укажите её (--crs EPSG:N или --crs none — без системы координат).");

    TDataModule2 module;
    load(module, dictionaryFolder, passport, false);
    selectHorizon(module, p.plain[1]);
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    Field& typeField = h.fieldByName("KONTURKOORDTYPE");
    if (type < 0 && typeField.isNull())
        throw Error("У горизонта не выбран тип координат контура: выберите его (--type 0–4).");
    if (type >= 0) {
        h.edit();
        typeField.setInteger(type);
        h.post();
    }
    const int coordType = static_cast<int>(typeField.asInteger());
    const std::vector<QPointF> points = ConvertForHorizon(*chosen.points, *from, coordType, *datum, horizonCrs);
    ReplaceContour(module, points);
    module.SavePassport(passport);
    PrintOut(QByteArray::number(qulonglong(points.size())) + '\n');
    return 0;
}

} // namespace talvena
