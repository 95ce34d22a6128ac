#include "catalogue/catalogue_query.h"

#include <algorithm>
#include <map>

namespace talvena::catalogue {

std::vector<ListedPassport> FindPassports(CatalogueStore& store, const FindQuery& q)
{
    std::vector<ListedPassport> all = store.listPassports();
    std::optional<std::set<qint64>> inBox;
    if (q.box) inBox = store.passportsInBox(*q.box);
    std::vector<ListedPassport> found;
    for (ListedPassport& p : all) {
        if (!q.name.isEmpty() && !p.objectName.contains(q.name, Qt::CaseInsensitive) &&
            !p.path.section('/', -1).contains(q.name, Qt::CaseInsensitive))
            continue;
        if (!q.region.isEmpty() &&
            std::none_of(p.regionNames.begin(), p.regionNames.end(),
                         [&](const QString& r) { return r.contains(q.region, Qt::CaseInsensitive); }))
            continue;
        if ((q.minOil || q.minGas || q.box) && !p.loaded) continue;
        if (q.minOil && p.oil < *q.minOil) continue;
        if (q.minGas && p.gas < *q.minGas) continue;
        if (inBox && !inBox->count(p.id)) continue;
        found.push_back(std::move(p));
    }
    std::sort(found.begin(), found.end(), [](const ListedPassport& a, const ListedPassport& b) { return a.path < b.path; });
    return found;
}

std::vector<TotalsGroup> TotalsBy(CatalogueStore& store, Grouping grouping)
{
    std::map<std::pair<int, QString>, TotalsGroup> groups; // (0 given / 1 not given, key)
    for (const ListedPassport& p : store.listPassports()) {
        if (!p.loaded) continue;
        QString key;
        switch (grouping) {
        case Grouping::Region: key = p.region; break;
        case Grouping::Method: key = p.method; break;
        case Grouping::Year: key = p.year > 0 ? QStringLiteral("%1").arg(p.year, 6, 10, QLatin1Char('0')) : QString(); break;
        }
        TotalsGroup& g = groups[{key.isEmpty() ? 1 : 0, key}];
        if (grouping == Grouping::Year) g.year = p.year;
        else g.group = key;
        ++g.passports;
        g.oil += p.oil;
        g.dissolvedGas += p.dissolvedGas;
        g.gas += p.gas;
        g.condensate += p.condensate;
    }
    std::vector<TotalsGroup> out;
    for (auto& [key, g] : groups) out.push_back(g);
    return out;
}

} // namespace talvena::catalogue
