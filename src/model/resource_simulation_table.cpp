#include "model/resource_simulation_table.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/field_schema.h"
#include "model/table_schemas.h"
#include "table/edit_journal.h"
#include "table/record_table.h"

#include <algorithm>

namespace talvena {
namespace {

constexpr SimFillFields kFill[] = {
    {SimResult::OilBalance, "OILBALANCERESOURCEP", "OILBALANCERESOURCEPD", "OILBALANCERESOURCES"},
    {SimResult::OilRecoverable, "OILPERSPECTRESOURCEP", "OILPERSPECTRESOURCEPD", "OILPERSPECTRESOURCES"},
    {SimResult::DissolvedGas, "PERSPRESGAZRASTVP", "PERSPRESGAZRASTVPD", "PERSPRESGAZRASTVS"},
    {SimResult::GasInitial, "GAZBALANCERESOURCEP", "GAZBALANCERESOURCEPD", "GAZBALANCERESOURCES"},
    {SimResult::GasBalance, "GAZBALANCERESOURCEPNEW", "GAZBALANCERESOURCEPDNEW", "GAZBALANCERESOURCESNEW"},
    {SimResult::CondensateRecoverable, "IZVLEKRESGAZCONDPNEW", "IZVLEKRESGAZCONDPDNEW", "IZVLEKRESGAZCONDSNEW"},
};

std::optional<double> realOf(const Value& v)
{
    if (v.isReal()) return v.realValue();
    if (v.isInteger()) return double(v.integerValue());
    return std::nullopt;
}

std::optional<int32_t> intOf(const Value& v)
{
    if (v.isInteger()) return int32_t(v.integerValue());
    return std::nullopt;
}

QString captionOf(const Field& f)
{
    const FieldDecl* d = FindFieldDecl(ProductHorizonsSchema(), f.name());
    return QString::fromUtf8(d && *d->caption ? d->caption : f.name().constData()).trimmed();
}

} // namespace

std::span<const SimFillFields> SimFillFieldList() { return kFill; }

std::vector<HorizonSimulationInput> ReadSimulationInputs(const RecordTable& t, std::optional<uint32_t> onlyRow)
{
    const Field& id = t.fieldByName("ID");
    const Field& name = t.fieldByName("STRATIGRSVIT");
    const Field& uv = t.fieldByName("UV_ID");
    struct Resolved {
        const Field *min = nullptr, *max = nullptr, *mostLikely = nullptr;
    };
    std::array<Resolved, kSimParameterCount> fields;
    for (const SimParameterDecl& d : SimParameterDecls()) {
        Resolved& r = fields[size_t(d.parameter)];
        r.min = &t.fieldByName(d.minField);
        if (d.maxField) r.max = &t.fieldByName(d.maxField);
        if (d.mostLikelyField) r.mostLikely = &t.fieldByName(d.mostLikelyField);
    }
    std::vector<HorizonSimulationInput> inputs;
    for (int i = 0; i < t.storedCount(); ++i) {
        const uint32_t row = t.storedRow(i);
        if (onlyRow && row != *onlyRow) continue;
        HorizonSimulationInput in;
        in.id = intOf(t.rowValue(row, id));
        const Value n = t.rowValue(row, name);
        in.name = n.isBytes() ? n.bytesValue() : QByteArray();
        in.uvId = intOf(t.rowValue(row, uv));
        for (size_t p = 0; p < kSimParameterCount; ++p) {
            ParameterValues& v = in.parameters[p];
            v.min = realOf(t.rowValue(row, *fields[p].min));
            if (fields[p].max) v.max = realOf(t.rowValue(row, *fields[p].max));
            if (fields[p].mostLikely) v.mostLikely = realOf(t.rowValue(row, *fields[p].mostLikely));
        }
        inputs.push_back(std::move(in));
    }
    return inputs;
}

FillReport FillSimulatedResources(RecordTable& t, const SimulationRun& run)
{
    // The whole fill is one step of the user's history, whatever it writes.
    const EditJournal::Action action(t.journal(), QStringLiteral("Заполнение результатов расчета"));
    FillReport report;
    if (t.state() == TableState::Edit || t.state() == TableState::Insert) t.post();
    const bool wasFiltered = t.filtered();
    const int64_t wasRow = t.storedRowAt(t.currentViewPosition());
    t.setFiltered(false);
    const Field& idField = t.fieldByName("ID");

    for (const HorizonSimulation& h : run.horizons) {
        const HorizonSimulationInput& in = run.inputs[size_t(h.input)];
        const QString label = QStringLiteral("Горизонт «%1»").arg(cp1251ToUnicode(in.name).trimmed());
        const bool anyResult =
            std::any_of(h.results.begin(), h.results.end(), [](const auto& r) { return r.has_value(); });
        if (!anyResult) continue;
        std::optional<uint32_t> row;
        for (int i = 0; in.id && i < t.storedCount() && !row; ++i)
            if (t.rowValue(t.storedRow(i), idField) == Value::integer(*in.id)) row = t.storedRow(i);
        if (!row || !t.moveToStoredRow(*row)) {
            report.refused << QStringLiteral("%1: горизонт не найден в паспорте, результаты не записаны").arg(label);
            continue;
        }
        std::vector<std::pair<const char*, double>> values;
        for (const SimFillFields& f : kFill) {
            if (const auto& s = h[f.result]) {
                values.emplace_back(f.mean, s->mean);
                values.emplace_back(f.probability, s->probabilityOfMean);
                values.emplace_back(f.sd, s->sd);
            }
        }
        if (const auto& s = h[SimResult::CondensateBalance]) {
            // Written in the order the pairing of the two accepts against the values stored now.
            const Field& maxField = t.fieldByName(kCondensateBalanceMax);
            const bool maxFirst = !maxField.isNull() && maxField.asFloat() < s->p90;
            if (maxFirst) values.emplace_back(kCondensateBalanceMax, s->p10);
            values.emplace_back(kCondensateBalanceMin, s->p90);
            if (!maxFirst) values.emplace_back(kCondensateBalanceMax, s->p10);
        }
        int written = 0;
        t.edit();
        for (const auto& [name, value] : values) {
            Field& f = t.fieldByName(name);
            try {
                f.setFloat(value);
                ++written;
            } catch (const Error& e) {
                report.refused << QStringLiteral("%1, «%2»: %3").arg(label, captionOf(f), QString::fromUtf8(e.what()));
            }
        }
        try {
            t.post();
            report.values += written;
            ++report.horizons;
        } catch (const Error& e) {
            t.cancel();
            report.refused << QStringLiteral("%1: %2").arg(label, QString::fromUtf8(e.what()));
        }
    }
    t.setFiltered(wasFiltered);
    if (wasRow >= 0) t.moveToStoredRow(uint32_t(wasRow));
    return report;
}

} // namespace talvena
