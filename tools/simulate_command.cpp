#include "tools/simulate_command.h"
#include "tools/standard_output.h"

#include "base/cp1251.h"
#include "model/data_module.h"
#include "model/resource_simulation_table.h"
#include "tools/json_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QFile>
#include <algorithm>
#include <cerrno>

namespace talvena {
namespace {

template <typename Table, typename T> const char* nameOf(const Table& table, T value)
{
    for (const auto& e : table)
        if (e.value == value) return e.name;
    return "";
}

bool parseUnsigned(const char* text, uint64_t& out)
{
    if (!*text || *text == '-' || *text == '+') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || *end) return false;
    out = v;
    return true;
}

void statistics(JsonWriter& json, const ResultStatistics& s)
{
    json.beginObject();
    const std::pair<const char*, double> values[] = {{"mean", s.mean}, {"sd", s.sd},   {"p90", s.p90},
                                                     {"p50", s.p50},   {"p10", s.p10}, {"min", s.min},
                                                     {"max", s.max},   {"probabilityOfMean", s.probabilityOfMean}};
    for (const auto& [key, value] : values) {
        json.key(key);
        json.number(value);
    }
    json.endObject();
}

} // namespace

bool ParseSimulateOption(int argc, char** argv, int& i, SimulateArguments& args, std::string& error)
{
    const std::string option = argv[i];
    const char* const options[] = {"--trials", "--seed", "--method", "--distribution", "--fill"};
    if (std::find(std::begin(options), std::end(options), option) == std::end(options)) return false;
    if (++i == argc) {
        error = option + " needs a value";
        return true;
    }
    const char* value = argv[i];
    if (option == "--trials") {
        uint64_t n = 0;
        if (!parseUnsigned(value, n) || n < 1 || n > SimulationOptions::kMaxTrials)
            error = "--trials must be a whole number from 1 to " + std::to_string(SimulationOptions::kMaxTrials);
        args.options.trials = n;
    } else if (option == "--seed") {
        if (!parseUnsigned(value, args.options.seed)) error = "--seed must be a whole number from 0";
    } else if (option == "--method") {
        bool known = false;
        for (const auto& m : kSamplingMethodChoices)
            if (std::strcmp(value, m.name) == 0) args.options.method = m.value, known = true;
        if (!known) error = std::string("unknown method \"") + value + "\" (lhs or mc)";
    } else if (option == "--distribution") {
        bool known = false;
        for (const auto& d : kDistributionChoices)
            if (std::strcmp(value, d.name) == 0) args.options.distribution = d.value, known = true;
        if (!known) error = std::string("unknown distribution \"") + value + "\" (pert, triangular, uniform or lognormal)";
    } else {
        args.fillOutput = QFile::decodeName(value);
    }
    return true;
}

QByteArray SimulationJson(const SimulationRun& run, const QByteArray& file)
{
    JsonWriter json;
    json.beginObject();
    json.key("file");
    json.string(file);
    json.key("trials");
    json.integer(int64_t(run.options.trials));
    json.key("seed");
    json.integer(int64_t(run.options.seed));
    json.key("method");
    json.string(nameOf(kSamplingMethodChoices, run.options.method));
    json.key("distribution");
    json.string(nameOf(kDistributionChoices, run.options.distribution));
    json.key("horizons");
    json.beginArray();
    for (const HorizonSimulation& h : run.horizons) {
        const HorizonSimulationInput& in = run.inputs[size_t(h.input)];
        json.beginObject();
        json.key("name");
        json.string(cp1251ToUtf8(in.name));
        json.key("id");
        if (in.id) json.integer(*in.id);
        else json.null();
        for (const SimResultDecl& d : SimResultDecls()) {
            if (!h[d.result]) continue;
            json.key(d.key);
            statistics(json, *h[d.result]);
        }
        json.key("messages");
        json.beginArray();
        for (const QString& m : h.messages) json.string(m.toUtf8());
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("totals");
    json.beginObject();
    for (const SimTotalDecl& d : SimTotalDecls()) {
        if (!run.totals[size_t(d.total)]) continue;
        json.key(d.key);
        statistics(json, *run.totals[size_t(d.total)]);
    }
    json.endObject();
    json.endObject();
    return json.result();
}

int SimulateCommand(TDataModule2& module, const QString& file, const SimulateArguments& args)
{
    const SimulationRun run = RunResourceSimulation(ReadSimulationInputs(module.POSIB_PRODUCT_HOR), args.options);
    const QByteArray text = SimulationJson(run, file.toUtf8());
    PrintOut(text);
    if (!args.fillOutput) return 0;
    const FillReport report = FillSimulatedResources(module.POSIB_PRODUCT_HOR, run);
    for (const QString& r : report.refused) std::fprintf(stderr, "%s\n", r.toUtf8().constData());
    module.SavePassport(*args.fillOutput);
    return 0;
}

} // namespace talvena
