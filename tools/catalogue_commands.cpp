#include "tools/catalogue_commands.h"

#include "catalogue/catalogue_index.h"
#include "catalogue/catalogue_query.h"
#include "tools/json_writer.h"
#include "tools/standard_output.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace talvena {

using namespace catalogue;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  talvena-psp index [--db TARGET] DIR...\n"
    "  talvena-psp find [--db TARGET] [--name TEXT] [--region TEXT] [--min-oil MT] [--min-gas MM3]\n"
    "                   [--bbox LON1,LAT1,LON2,LAT2] [--json]\n"
    "  talvena-psp totals [--db TARGET] --by region|method|year [--json]\n"
    "TARGET: a GeoPackage file (default catalogue.gpkg in the first DIR, or in the current folder)\n"
    "        or a PostgreSQL connection URI postgresql://user@host:port/database\n";

int usage(const std::string& problem)
{
    std::fprintf(stderr, "talvena-psp: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

struct Parsed {
    std::map<std::string, QString> options;
    bool json = false;
    QStringList plain;
    std::string problem;
};

Parsed parse(const std::vector<char*>& args, std::initializer_list<const char*> valued, bool takesJson)
{
    Parsed p;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* a = args[i];
        bool matched = false;
        for (const char* name : valued) {
            if (std::strcmp(a, name) != 0) continue;
            matched = true;
            if (++i == args.size()) p.problem = std::string(name) + " needs a value";
            else p.options[name] = QString::fromUtf8(args[i]);
        }
        if (matched) continue;
        if (takesJson && std::strcmp(a, "--json") == 0) p.json = true;
        else if (std::strncmp(a, "--", 2) == 0 && a[2]) p.problem = std::string("unknown option \"") + a + "\"";
        else p.plain << QFile::decodeName(a);
    }
    return p;
}

QString targetOf(const Parsed& p, const QString& folder)
{
    const auto db = p.options.find("--db");
    return db != p.options.end() ? db->second : DefaultCatalogue(folder);
}

std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

QByteArray printable(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) out += c.unicode() < 0x20 ? QByteArray("?") : QString(c).toUtf8();
    return out;
}

void sums(JsonWriter& w, double oil, double dissolvedGas, double gas, double condensate)
{
    w.key("oil"), w.number(oil);
    w.key("dissolvedGas"), w.number(dissolvedGas);
    w.key("gas"), w.number(gas);
    w.key("condensate"), w.number(condensate);
}

QByteArray amount(double v) { return QByteArray::number(v, 'f', 3); }

} // namespace

int IndexCommand(const std::vector<char*>& args, const QString& dictionaryFolder)
{
    const Parsed p = parse(args, {"--db"}, false);
    if (!p.problem.empty()) return usage(p.problem);
    if (p.plain.isEmpty()) return usage("index needs at least one folder");
    const QString target = targetOf(p, p.plain.front());
    const IndexReport r = IndexPassports(target, p.plain, dictionaryFolder);
    for (const QString& e : r.errors) std::fprintf(stderr, "не загружен %s\n", printable(e).constData());
    PrintOut(printable(QStringLiteral("Каталог %1: найдено паспортов %2, добавлено %3, изменено %4, без изменений %5, "
                                      "удалено %6, с ошибками %7")
                           .arg(CatalogueStore::DisplayName(target))
                           .arg(r.found)
                           .arg(r.added)
                           .arg(r.changed)
                           .arg(r.unchanged)
                           .arg(r.removed)
                           .arg(r.errors.size())) + '\n');
    return r.errors.isEmpty() ? 0 : 1;
}

int FindCommand(const std::vector<char*>& args, const QString&)
{
    const Parsed p = parse(args, {"--db", "--name", "--region", "--min-oil", "--min-gas", "--bbox"}, true);
    if (!p.problem.empty()) return usage(p.problem);
    if (!p.plain.isEmpty()) return usage("find takes options only");
    FindQuery q;
    if (auto it = p.options.find("--name"); it != p.options.end()) q.name = it->second;
    if (auto it = p.options.find("--region"); it != p.options.end()) q.region = it->second;
    for (const auto& [option, field] : {std::pair{"--min-oil", &q.minOil}, std::pair{"--min-gas", &q.minGas}}) {
        if (auto it = p.options.find(option); it != p.options.end()) {
            *field = number(it->second);
            if (!*field) return usage(std::string(option) + " needs a number");
        }
    }
    if (auto it = p.options.find("--bbox"); it != p.options.end()) {
        const QStringList parts = it->second.split(',');
        std::vector<double> v;
        for (const QString& part : parts)
            if (const auto n = number(part)) v.push_back(*n);
        if (parts.size() != 4 || v.size() != 4) return usage("--bbox needs LON1,LAT1,LON2,LAT2");
        q.box = Box{v[0], v[1], v[2], v[3]};
    }
    CatalogueStore store(targetOf(p, QDir::currentPath()), false);
    const std::vector<ListedPassport> found = FindPassports(store, q);
    if (p.json) {
        JsonWriter w;
        w.beginArray();
        for (const ListedPassport& f : found) {
            w.beginObject();
            w.key("path"), w.string(f.path.toUtf8());
            w.key("objectName"), w.string(f.objectName.toUtf8());
            w.key("region"), w.string(f.region.toUtf8());
            if (f.loaded) sums(w, f.oil, f.dissolvedGas, f.gas, f.condensate);
            else w.key("oil"), w.null(), w.key("dissolvedGas"), w.null(), w.key("gas"), w.null(), w.key("condensate"), w.null();
            w.key("error");
            if (f.loaded) w.null();
            else w.string(f.error.toUtf8());
            w.endObject();
        }
        w.endArray();
        PrintOut(w.result());
        return 0;
    }
    QByteArray out;
    for (const ListedPassport& f : found) {
        out += printable(f.path) + '\t' + printable(f.objectName) + '\t' + printable(f.region);
        if (f.loaded) out += '\t' + amount(f.oil) + '\t' + amount(f.dissolvedGas) + '\t' + amount(f.gas) + '\t' + amount(f.condensate);
        else out += QByteArray("\tошибка: ") + printable(f.error);
        out += '\n';
    }
    PrintOut(out);
    return 0;
}

int TotalsCommand(const std::vector<char*>& args, const QString&)
{
    const Parsed p = parse(args, {"--db", "--by"}, true);
    if (!p.problem.empty()) return usage(p.problem);
    if (!p.plain.isEmpty()) return usage("totals takes options only");
    const auto by = p.options.find("--by");
    if (by == p.options.end()) return usage("totals needs --by region, method or year");
    Grouping grouping;
    if (by->second == QLatin1String("region")) grouping = Grouping::Region;
    else if (by->second == QLatin1String("method")) grouping = Grouping::Method;
    else if (by->second == QLatin1String("year")) grouping = Grouping::Year;
    else return usage("--by needs region, method or year");
    CatalogueStore store(targetOf(p, QDir::currentPath()), false);
    const std::vector<TotalsGroup> groups = TotalsBy(store, grouping);
    if (p.json) {
        JsonWriter w;
        w.beginArray();
        for (const TotalsGroup& g : groups) {
            w.beginObject();
            w.key("group");
            if (grouping == Grouping::Year) {
                if (g.year > 0) w.integer(g.year);
                else w.null();
            } else if (g.group.isEmpty()) {
                w.null();
            } else {
                w.string(g.group.toUtf8());
            }
            w.key("passports"), w.integer(g.passports);
            sums(w, g.oil, g.dissolvedGas, g.gas, g.condensate);
            w.endObject();
        }
        w.endArray();
        PrintOut(w.result());
        return 0;
    }
    QByteArray out;
    for (const TotalsGroup& g : groups) {
        const QString name = grouping == Grouping::Year ? (g.year > 0 ? QString::number(g.year) : QString())
                                                         : g.group;
        out += printable(name.isEmpty() ? QStringLiteral("(не указано)") : name) + '\t' + QByteArray::number(g.passports) + '\t' +
               amount(g.oil) + '\t' + amount(g.dissolvedGas) + '\t' + amount(g.gas) + '\t' + amount(g.condensate) + '\n';
    }
    PrintOut(out);
    return 0;
}

} // namespace talvena
