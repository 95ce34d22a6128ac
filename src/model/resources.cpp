#include "model/resources.h"
#include "model/field_schema.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "table/number_text.h"

#include <cmath>
#include <cstring>

namespace talvena {
namespace {

struct ResourceFieldName {
    const char* name;
    Field* ResourceFields::*member;
};

constexpr ResourceFieldName kResourceFieldNames[] = {
    {"SQUARENEFTENOSN", &ResourceFields::squareOil},
    {"EFECTOILWIDTH", &ResourceFields::widthOil},
    {"OILKOEFOTKRPORIST", &ResourceFields::porosityOil},
    {"KOEFOILNASUSH", &ResourceFields::saturationOil},
    {"OILPLOTN", &ResourceFields::densityOil},
    {"OILPERERASCHKOEF", &ResourceFields::conversionOil},
    {"KOEFOILIZVL", &ResourceFields::recoveryOil},
    {"OILGAZFACTOR", &ResourceFields::gasFactor},
    {"SQUAREGAZONOSN", &ResourceFields::squareGas},
    {"EFECTGAZWIDTH", &ResourceFields::widthGas},
    {"GAZKOEFOTKRPORIST", &ResourceFields::porosityGas},
    {"KOEFGAZNASUSH", &ResourceFields::saturationGas},
    {"GAZSTARTPLASTPREASURE", &ResourceFields::startPressure},
    {"GAZENDPLASTPREASURE", &ResourceFields::endPressure},
    {"GAZKOEFSZIM", &ResourceFields::compressibility},
    {"GAZTEMPERPOPR", &ResourceFields::temperature},
    {"GAZSODSUH", &ResourceFields::dryGas},
    {"GAZCONDAVGSTARTCONSIST", &ResourceFields::condensate},
    {"GAZCONDKOEFIZVLECH", &ResourceFields::recoveryCond},
    {"CALC_BAL_RES", &ResourceFields::balRes},
    {"CALC_PERSP_RES", &ResourceFields::perspRes},
    {"CALC_PERSP_RES_RGAZ", &ResourceFields::perspResRgaz},
    {"CALC_STDDAVL", &ResourceFields::stddavl},
    {"CALC_BALGAZ_RES", &ResourceFields::balgazRes},
    {"CALC_NEWGAZBAL", &ResourceFields::newgazbal},
    {"CALC_BALGAZCOND_RES", &ResourceFields::balgazcondRes},
    {"CALC_PERSPGAZCOND_RES", &ResourceFields::perspgazcondRes},
};
constexpr int kResourceFieldCount = int(std::size(kResourceFieldNames));

// Products are formed in extended precision and stored as doubles; a result that a double
// cannot hold (an overflow, or the NaN of 0/0) is the arithmetic failure of the store.
bool storable(long double x, double& out)
{
    out = static_cast<double>(x);
    return std::isfinite(out);
}

bool anyNull(std::initializer_list<const Field*> fields)
{
    for (const Field* f : fields)
        if (f->isNull()) return true;
    return false;
}

void storeOil(Field& target, long double x)
{
    double v;
    if (!storable(x, v)) throw Error("Floating point overflow");
    target.setFloat(v);
}

void calcOil(const ResourceFields& f)
{
    if (anyNull({f.squareOil, f.widthOil, f.porosityOil, f.saturationOil, f.densityOil, f.conversionOil}))
        return;
    long double product = f.squareOil->asFloat();
    product *= f.widthOil->asFloat();
    product *= f.porosityOil->asFloat();
    product *= f.saturationOil->asFloat();
    product *= f.densityOil->asFloat();
    product *= f.conversionOil->asFloat();
    storeOil(*f.balRes, product);
    if (f.recoveryOil->isNull()) return;
    storeOil(*f.perspRes, static_cast<long double>(f.balRes->asFloat()) * f.recoveryOil->asFloat());
    if (f.gasFactor->isNull()) return;
    storeOil(*f.perspResRgaz, static_cast<long double>(f.perspRes->asFloat()) * f.gasFactor->asFloat());
}

// Returns false at the first failure; what was stored before it stays.
bool calcGas(const ResourceFields& f)
{
    if (anyNull({f.squareGas, f.widthGas, f.porosityGas, f.saturationGas, f.startPressure, f.endPressure,
                 f.compressibility, f.temperature}))
        return true;
    long double p = f.squareGas->asFloat();
    p *= f.widthGas->asFloat();
    p *= f.porosityGas->asFloat();
    p *= f.saturationGas->asFloat();
    p *= f.temperature->asFloat();
    const long double z = f.compressibility->asFloat();
    if (z == 0) return false; // division by zero
    double v;
    if (!storable((f.startPressure->asFloat() / z - f.endPressure->asFloat()) * p, v)) return false;
    f.balgazRes->setFloat(v);
    const long double balgaz = f.balgazRes->asFloat();

    if (!f.dryGas->isNull()) {
        if (!storable(balgaz * f.dryGas->asFloat(), v)) return false;
        f.newgazbal->setFloat(v);
    }
    if (!f.condensate->isNull()) {
        if (!storable(balgaz * f.condensate->asFloat() / 1000000, v)) return false;
        f.balgazcondRes->setFloat(v);
        if (!f.recoveryCond->isNull()) {
            if (!storable(static_cast<long double>(f.balgazcondRes->asFloat()) * f.recoveryCond->asFloat(), v))
                return false;
            f.perspgazcondRes->setFloat(v);
        }
    }
    return true;
}

// The field indexes resolved for the last table seen; checked by name on every use, so a table
// rebuilt or replaced at the same address is resolved again.
struct ResolvedIndexes {
    const RecordTable* table = nullptr;
    int index[kResourceFieldCount] = {};
};

bool stillValid(const ResolvedIndexes& r, const RecordTable& t)
{
    if (r.table != &t) return false;
    for (int i = 0; i < kResourceFieldCount; ++i) {
        if (r.index[i] >= t.fieldCount() || t.field(r.index[i]).name() != kResourceFieldNames[i].name)
            return false;
    }
    return true;
}

} // namespace

ResourceFields ResolveResourceFields(const RecordTable& table)
{
    ResourceFields fields{};
    for (const ResourceFieldName& n : kResourceFieldNames) fields.*n.member = &table.fieldByName(n.name);
    return fields;
}

void CalcProductHorizonResources(const ResourceFields& fields)
{
    calcOil(fields);
    fields.stddavl->setFloat(1.0);
    try {
        calcGas(fields);
    } catch (const Error&) {
        // the gas part never reports
    }
}

void CalcProductHorizonResources(const RecordTable& table)
{
    thread_local ResolvedIndexes resolved;
    ResourceFields fields{};
    if (stillValid(resolved, table)) {
        for (int i = 0; i < kResourceFieldCount; ++i)
            fields.*kResourceFieldNames[i].member = &table.field(resolved.index[i]);
    } else {
        fields = ResolveResourceFields(table);
        resolved.table = &table;
        for (int i = 0; i < kResourceFieldCount; ++i)
            resolved.index[i] = (fields.*kResourceFieldNames[i].member)->index();
    }
    CalcProductHorizonResources(fields);
}

// --- Geology totals -------------------------------------------------------------------------

namespace {

// The resources of each kind of hydrocarbon (UV_ID); other kinds have none.
constexpr struct {
    int uvId;
    unsigned groups;
} kHydrocarbonKinds[] = {
    {397, WithOil},
    {398, WithGas},
    {399, WithOil | WithGas},
    {401, WithGas | WithCondensate},
    {886, WithOil | WithGas | WithCondensate},
};

struct SumRule {
    HydrocarbonSum sum;
    HydrocarbonResource group;
    const char* deterministic; // calculated field
    const char* probable;      // most probable value P
    const char* deviation;     // standard deviation S
};

constexpr SumRule kSumRules[] = {
    {OilSum, WithOil, "CALC_PERSP_RES", "OILPERSPECTRESOURCEP", "OILPERSPECTRESOURCES"},
    {DissolvedGasSum, WithOil, "CALC_PERSP_RES_RGAZ", "PERSPRESGAZRASTVP", "PERSPRESGAZRASTVS"},
    {GasSum, WithGas, "CALC_NEWGAZBAL", "GAZBALANCERESOURCEPNEW", "GAZBALANCERESOURCESNEW"},
    {CondensateSum, WithCondensate, "CALC_PERSPGAZCOND_RES", "IZVLEKRESGAZCONDPNEW", "IZVLEKRESGAZCONDSNEW"},
};

enum class LabelKind { Deterministic, Probable, Range };

// The value labels of the totals with their captions, which the page and the unpacked passport show
// beside them.
constexpr struct {
    const char* name;
    LabelKind kind;
    HydrocarbonSum sum;
    const char* caption; // UTF-8
} kValueLabels[] = {
    {"Label72", LabelKind::Deterministic, OilSum,
     "Перспективные ресурсы категории С3 нефти, млн.т"},
    {"Label73", LabelKind::Deterministic, DissolvedGasSum,
     "Перспективные ресурсы категории С3 растворенного газа, млн. м3"},
    {"Label74", LabelKind::Deterministic, GasSum,
     "Перспективные ресурсы категории С3 газа, млн. м3"},
    {"Label75", LabelKind::Deterministic, CondensateSum,
     "Перспективные ресурсы категории С3 газоконденсата, млн.т"},
    {"Label93", LabelKind::Probable, OilSum,
     "Наиболее вероятная величина перспективных ресурсов нефти (извлекаемых), млн.т"},
    {"Label95", LabelKind::Range, OilSum,
     "Возможные пределы изменения перспективных ресурсов нефти (извлекаемых),  млн.т"},
    {"Label97", LabelKind::Probable, DissolvedGasSum,
     "Наиболее вероятная величина перспективных ресурсов растворенного газа, млн.м3"},
    {"Label99", LabelKind::Range, DissolvedGasSum,
     "Возможные пределы изменения перспективных ресурсов растворенного газа, млн.м3"},
    {"Label102", LabelKind::Probable, GasSum,
     "Наиболее вероятная величина перспективных ресурсов газа, млн.м3"},
    {"Label101", LabelKind::Range, GasSum,
     "Возможные пределы изменения перспективных ресурсов газа, млн.м3"},
    {"Label106", LabelKind::Probable, CondensateSum,
     "Наиболее вероятная величина перспективных ресурсов газоконденсата (извлекаемых), млн.т"},
    {"Label105", LabelKind::Range, CondensateSum,
     "Возможные пределы изменения перспективных ресурсов газоконденсата (извлекаемых), млн.т"},
};


// NULL reads as 0.
double realOf(const Value& v)
{
    if (v.isReal()) return v.realValue();
    if (v.isInteger()) return static_cast<double>(v.integerValue());
    return 0;
}

int64_t integerOf(const Value& v)
{
    if (v.isInteger()) return v.integerValue();
    if (v.isReal()) return static_cast<int64_t>(v.realValue());
    return 0;
}

// Names joined by ", "; an empty name still counts once the list has started.
void appendName(QByteArray& list, const Value& name)
{
    const QByteArray text = name.isBytes() ? name.bytesValue() : QByteArray();
    if (list.isEmpty())
        list = text;
    else
        list += ", " + text;
}

QByteArray horizonsText(int count, const QByteArray& list)
{
    static const QByteArray caption = utf8ToCp1251("горизонтов: ");
    QByteArray text = caption + FormatInteger(count);
    if (!list.isEmpty()) text += " (" + list + ")";
    return text;
}

QByteArray sumText(double sum)
{
    return sum != 0 ? FormatNumberPattern(kNumberPattern, sum) : QByteArray();
}

QByteArray rangeText(const ProbableSums& s)
{
    static const QByteArray from = utf8ToCp1251("от ");
    static const QByteArray to = utf8ToCp1251("   до ");
    if (s.probable == 0 || s.lower == 0 || s.upper == 0) return {};
    return from + FormatNumberPattern(kNumberPattern, s.lower) + to + FormatNumberPattern(kNumberPattern, s.upper);
}

struct ResolvedSumRule {
    const SumRule* rule;
    const Field* deterministic;
    const Field* probable;
    const Field* deviation;
};

} // namespace

unsigned ResourcesOfHydrocarbon(int64_t uvId)
{
    for (const auto& k : kHydrocarbonKinds)
        if (k.uvId == uvId) return k.groups;
    return 0;
}

QByteArray HydrocarbonFilter(HydrocarbonResource resource)
{
    QByteArray filter;
    for (const auto& k : kHydrocarbonKinds)
        if (k.groups & resource) filter += (filter.isEmpty() ? "UV_ID=" : " OR UV_ID=") + QByteArray::number(k.uvId);
    return filter;
}

const char* GeologyLabelCaption(const char* name)
{
    if (std::strcmp(name, "Label29") == 0) return "Продуктивные горизонты";
    if (std::strcmp(name, "Label71") == 0) return "Отражающие горизонты, по которым подготовлен объект";
    for (const auto& l : kValueLabels)
        if (std::strcmp(name, l.name) == 0) return l.caption;
    return "";
}

QByteArray GeologyTotals::labelText(const QByteArray& name) const
{
    for (const GeologyLabel& l : labels)
        if (name == l.name) return l.text;
    return {};
}

GeologyTotals ComputeGeologyTotals(RecordTable& product, RecordTable& reflect)
{
    GeologyTotals totals;
    // The resource pages filter the horizons by kind; the totals take every horizon.
    product.setFiltered(false);
    product.first();

    const Field& uvId = product.fieldByName("UV_ID");
    const Field& name = product.fieldByName("STRATIGRSVIT");
    std::vector<ResolvedSumRule> rules;
    for (const SumRule& r : kSumRules)
        rules.push_back({&r, &product.fieldByName(r.deterministic), &product.fieldByName(r.probable),
                         &product.fieldByName(r.deviation)});

    // Walked by row so that the current record (and what follows it) stays on the first horizon.
    QByteArray productList;
    for (int i = 0; i < product.visibleCount(); ++i) {
        const uint32_t row = product.visibleRow(i);
        ++totals.productiveCount;
        appendName(productList, product.rowValue(row, name));
        const unsigned groups = ResourcesOfHydrocarbon(integerOf(product.rowValue(row, uvId)));
        if (groups == 0) continue;
        for (const ResolvedSumRule& r : rules) {
            if (!(groups & r.rule->group)) continue;
            totals.deterministic[r.rule->sum] += realOf(product.rowValue(row, *r.deterministic));
            const long double p = realOf(product.rowValue(row, *r.probable));
            const long double s = realOf(product.rowValue(row, *r.deviation));
            ProbableSums& sums = totals.probable[r.rule->sum];
            sums.probable = static_cast<double>(sums.probable + p);
            sums.lower = static_cast<double>(sums.lower + (p - 3 * s));
            sums.upper = static_cast<double>(sums.upper + (p + 3 * s));
        }
    }

    reflect.first();
    const Field& indexOg = reflect.fieldByName("INDEXOG");
    QByteArray reflectList;
    for (int i = 0; i < reflect.visibleCount(); ++i) {
        ++totals.reflectingCount;
        appendName(reflectList, reflect.rowValue(reflect.visibleRow(i), indexOg));
    }

    totals.labels[0] = {"Label29", horizonsText(totals.productiveCount, productList)};
    totals.labels[1] = {"Label71", horizonsText(totals.reflectingCount, reflectList)};
    size_t at = 2;
    for (const auto& l : kValueLabels) {
        QByteArray text;
        switch (l.kind) {
        case LabelKind::Deterministic: text = sumText(totals.deterministic[l.sum]); break;
        case LabelKind::Probable: text = sumText(totals.probable[l.sum].probable); break;
        case LabelKind::Range: text = rangeText(totals.probable[l.sum]); break;
        }
        totals.labels[at++] = {l.name, text};
    }
    return totals;
}

} // namespace talvena
