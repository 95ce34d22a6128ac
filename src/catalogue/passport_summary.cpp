#include "catalogue/passport_summary.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "catalogue/catalogue_schema.h"
#include "gis/coordinate_systems.h"
#include "model/attachment_store.h"
#include "model/contour_area.h"
#include "model/contour_collection.h"
#include "model/data_module.h"
#include "model/resources.h"

#include <cstring>

namespace talvena::catalogue {

const CellValue* CatalogueRow::find(const char* column) const
{
    for (const auto& [name, value] : cells)
        if (std::strcmp(name, column) == 0) return &value;
    return nullptr;
}

namespace {

// A field of a record; NULL and a calculation that fails give nothing.
CellValue cell(const RecordTable& table, uint32_t row, const char* fieldName, bool text = false)
{
    const Field* f = table.findField(fieldName);
    if (!f) return {};
    Value v;
    try {
        v = table.rowValue(row, *f);
    } catch (const Error&) {
        return {};
    }
    if (v.isInteger()) return text ? CellValue(QString::number(v.integerValue())) : CellValue(qint64(v.integerValue()));
    if (v.isReal()) return v.realValue();
    if (v.isBytes()) return cp1251ToUnicode(v.bytesValue());
    return {};
}


// The passport's regions: its column pairs (name, code) with the field and dictionary behind them.
constexpr struct {
    const char* name;
    const char* code;
    const char* field;
    int dictionary;
} kNamedCodes[] = {
    {"federal_district", "federal_district_id", "FEDERALOKRUG_ID", 1},
    {"republic", "republic_id", "REPUBLIC_ID", 2},
    {"krai", "krai_id", "KRAI_ID", 3},
    {"oblast", "oblast_id", "OBLAST_ID", 4},
    {"province", "province_id", "GEO_PROVINCE_ID", 11},
    {"oil_gas_region", "oil_gas_region_id", "GEO_OBLAST_ID", 12},
    {"oil_gas_district", "oil_gas_district_id", "GEO_RAION_ID", 13},
    {"preparation_method", "preparation_method_id", "PREPARATIONMETHOD_ID", 5},
};

constexpr std::pair<const char*, const char*> kYears[] = {
    {"showing_up_year", "SHOWINGUPYEAR"},
    {"start_preparation_year", "STARTPREPARATIONYEAR"},
    {"end_preparation_year", "ENDPREPARATIONYEAR"},
    {"report_year", "REPORTYEAR"},
    {"fund_year", "PREPAREDFUNDYEAR"},
};

constexpr const char* kSumNames[HydrocarbonSumCount] = {"oil", "dissolved_gas", "gas", "condensate"};

} // namespace

PassportSummarizer::PassportSummarizer(TDataModule2& module) : module_(module) {}
PassportSummarizer::~PassportSummarizer() = default;

QString PassportSummarizer::dictionaryName(int dictionary, qint64 id)
{
    auto it = names_.find(dictionary);
    if (it == names_.end()) {
        QHash<qint64, QString> names;
        if (const RecordTable* d = module_.dict(dictionary)) {
            const Field& idField = d->fieldByName("ID");
            const Field& nameField = d->fieldByName("NAME");
            // Stored rows: a narrowed dictionary still names every entry.
            for (int i = 0; i < d->storedCount(); ++i) {
                const uint32_t row = d->storedRow(i);
                const Value v = d->rowValue(row, idField);
                if (v.isInteger()) names.insert(v.integerValue(), cp1251ToUnicode(d->rowBytes(row, nameField)));
            }
        }
        it = names_.emplace(dictionary, std::move(names)).first;
    }
    return it->second.value(id);
}

const gis::CoordinateOperation& PassportSummarizer::toWgs84(const QByteArray& crs)
{
    auto& op = operations_[crs];
    if (!op) op = std::make_unique<gis::CoordinateOperation>(gis::Crs{crs}, gis::Crs::epsg(4326));
    return *op;
}

PassportSummary PassportSummarizer::summarize()
{
    PassportSummary s;
    RecordTable& passports = module_.PASPORTS;
    RecordTable& product = module_.POSIB_PRODUCT_HOR;
    CatalogueRow& p = s.passport;
    if (passports.active() && passports.storedCount() > 0) {
        const uint32_t row = passports.storedRow(0);
        p.set("object_name", cell(passports, row, "OBJECTNAME"));
        QString region;
        for (const auto& n : kNamedCodes) {
            const CellValue code = cell(passports, row, n.field);
            const QString name = std::holds_alternative<qint64>(code) ? dictionaryName(n.dictionary, std::get<qint64>(code)) : QString();
            p.set(n.code, code);
            p.set(n.name, name.isEmpty() ? CellValue() : CellValue(name));
            // The subject of the federation, the first of oblast, krai and republic that is given.
            if (n.dictionary >= 2 && n.dictionary <= 4 && !name.isEmpty() && (region.isEmpty() || n.dictionary == 4)) region = name;
            if (n.dictionary == 1 && region.isEmpty()) region = name;
        }
        p.set("region", region.isEmpty() ? CellValue() : CellValue(region));
        for (const auto& [column, field] : kYears) p.set(column, cell(passports, row, field));
    }

    module_.CommitPendingEdits();
    const GeologyTotals totals = ComputeGeologyTotals(product, module_.REFLECT_HORIZONTS);
    for (int k = 0; k < HydrocarbonSumCount; ++k) {
        const std::string name = kSumNames[k];
        p.set(kSumNames[k], totals.deterministic[static_cast<size_t>(k)]);
        const ProbableSums& ps = totals.probable[static_cast<size_t>(k)];
        // The column names live as long as the schema's table does.
        for (const ColumnDecl& c : CatalogueTable("passports").columns) {
            if (name + "_probable" == c.name) p.set(c.name, ps.probable);
            if (name + "_low" == c.name) p.set(c.name, ps.lower);
            if (name + "_high" == c.name) p.set(c.name, ps.upper);
        }
    }
    p.set("productive_horizons", qint64(totals.productiveCount));
    p.set("reflecting_horizons", qint64(totals.reflectingCount));

    for (int i = 0; i < product.visibleCount(); ++i) {
        const uint32_t row = product.visibleRow(i);
        CatalogueRow h;
        h.set("horizon_id", cell(product, row, "ID"));
        h.set("name", cell(product, row, "STRATIGRSVIT"));
        const CellValue uv = cell(product, row, "UV_ID");
        h.set("hydrocarbon_id", uv);
        const QString kind = std::holds_alternative<qint64>(uv) ? dictionaryName(18, std::get<qint64>(uv)) : QString();
        h.set("hydrocarbon", kind.isEmpty() ? CellValue() : CellValue(kind));
        for (const ResourceColumn& r : HorizonResourceColumns()) h.set(r.column, cell(product, row, r.field));
        s.horizons.push_back(std::move(h));
    }

    const QString objectName = cp1251ToUnicode(passports.storedCount() > 0 && passports.findField("OBJECTNAME")
                                                   ? passports.rowBytes(passports.storedRow(0), passports.fieldByName("OBJECTNAME"))
                                                   : QByteArray());
    for (const HorizonContour& c : CollectContours(product, module_.KONTUR)) {
        if (c.points.size() < 3) continue;
        const QString name = cp1251ToUnicode(c.name);
        std::vector<QPointF> points(c.points.begin(), c.points.end());
        if (points.size() > 3 && points.front() == points.back()) points.pop_back();
        try {
            const std::optional<gis::Crs> crs = gis::HorizonCrs(c.coordType, gis::Datum::Pulkovo1942, points);
            if (!crs || crs->none()) {
                s.contourProblems << name + QStringLiteral(": не задана система координат типа %1").arg(c.coordType);
                continue;
            }
            CatalogueRow r;
            r.ring = toWgs84(crs->definition).applied(points);
            const std::optional<double> area = ContourAreaKm2(2, r.ring);
            r.set("horizon_id", qint64(c.horizonId));
            r.set("name", name);
            r.set("object_name", objectName);
            r.set("points", qint64(c.points.size()));
            r.set("area_km2", area ? CellValue(*area) : CellValue());
            s.contours.push_back(std::move(r));
        } catch (const Error& e) {
            s.contourProblems << name + QStringLiteral(": ") + QString::fromUtf8(e.what());
        }
    }

    RecordTable& files = module_.FILES;
    const Field* content = files.findField("CONTENT");
    for (int i = 0; files.active() && i < files.visibleCount(); ++i) {
        const uint32_t row = files.visibleRow(i);
        CatalogueRow a;
        a.set("name", cell(files, row, "NAME"));
        if (content && !files.rowIsNull(row, *content)) {
            const MemberTrailer t = ReadMemberTrailer(files.rowBytes(row, *content));
            if (t.member) a.set("size", qint64(t.size));
        }
        a.set("comment", cell(files, row, "DESCRIPTION"));
        s.attachments.push_back(std::move(a));
    }
    return s;
}

} // namespace talvena::catalogue
