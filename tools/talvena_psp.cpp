// talvena-psp: the passport file from the command line, through the same model as the
// application and with the dictionary files beside this executable.
//
//   talvena-psp dump [--force] [--verify] FILE   the passport as JSON on standard output
//   talvena-psp extract FILE DIR            every attachment written into DIR, one line per file
//   talvena-psp convert [--force] IN OUT    IN (any readable variant) saved as the application saves
//   talvena-psp contours [options] FILE [OUT]   every horizon's trap contour into a GIS file
//                                           (GeoJSON on standard output without OUT)
//   talvena-psp import-contour [options] PASSPORT HORIZON GISFILE   a horizon's contour from a GIS file
//   talvena-psp set PASSPORT FIELD=VALUE...   values of the passport record typed in with their rules
//   talvena-psp unpack [--force] [--program excel|calc] FILE DIR
//                                           the unpacked passport written into DIR, one line per file
//   talvena-psp simulate [--force] [--trials N] [--seed S] [--method lhs|mc]
//                        [--distribution pert|triangular|uniform|lognormal] [--fill OUT] FILE
//                                           the probabilistic resources by simulation as JSON
//   talvena-psp check [--force] [--json] FILE
//                                           the passport check's findings, as lines or JSON
//   talvena-psp report [--force] [--simulate] [--trials N] [--seed S] [--method lhs|mc]
//                      [--distribution pert|triangular|uniform|lognormal] FILE OUT.pdf
//                                           the printed passport as a PDF document, with the
//                                           resources by simulation when asked for
//
// A damaged passport file (a table block whose checksum does not match, or no complete passport
// table) is refused unless --force opens what could be read.
//
// Exit codes: 0 done, 1 the passport or a file could not be read or written completely (the
// model's message on standard error, exactly as it is) or the check found something, 2 wrong usage.
#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "model/data_module.h"
#include "report/passport_report.h"
#include "report/simulated_resources.h"
#include "tools/attachment_extract.h"
#include "tools/check_command.h"
#include "tools/gis_commands.h"
#include "tools/simulate_command.h"
#include "tools/passport_json.h"
#include "tools/set_command.h"
#include "tools/standard_output.h"
#include "tools/unpack_command.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace talvena;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  talvena-psp dump [--force] [--verify] FILE\n"
    "                                         print the passport as JSON (UTF-8); attachments'\n"
    "                                         sizes and CRC-32 as stored, decoded with --verify\n"
    "  talvena-psp extract FILE DIR           write every attachment into DIR\n"
    "  talvena-psp convert [--force] IN OUT   save IN as a current, headered passport file OUT\n"
    "  talvena-psp contours [options] FILE [OUT]   every horizon's trap contour into a GIS file\n"
    "                                         (RFC 7946 GeoJSON on standard output without OUT)\n"
    "  talvena-psp import-contour [options] PASSPORT HORIZON GISFILE\n"
    "                                         a horizon's contour from a GIS file, saved in place\n"
    "                                         (their options: talvena-psp contours --help)\n"
    "  talvena-psp set PASSPORT FIELD=VALUE...\n"
    "                                         values of the passport record typed in as on the\n"
    "                                         form, with the rules they set off, saved in place\n"
    "  talvena-psp unpack [--force] [--program excel|calc] FILE DIR\n"
    "                                         write the unpacked passport into DIR: its tables\n"
    "                                         (built-in Excel 97 writer, or LibreOffice Calc),\n"
    "                                         attachments and description files\n"
    "  talvena-psp simulate [--force] [--trials N] [--seed S] [--method lhs|mc]\n"
    "                       [--distribution pert|triangular|uniform|lognormal] [--fill OUT] FILE\n"
    "                                         print the probabilistic resources of every productive\n"
    "                                         horizon and their totals by simulation as JSON;\n"
    "                                         --fill also saves the passport with its result\n"
    "                                         fields filled as OUT\n"
    "  talvena-psp check [--force] [--json] FILE\n"
    "                                         check the passport as a reviewer would; exit code 1\n"
    "                                         when something is found (--json: a JSON array)\n"
    "  talvena-psp report [--force] [--simulate] [--trials N] [--seed S] [--method lhs|mc]\n"
    "                     [--distribution pert|triangular|uniform|lognormal] FILE OUT.pdf\n"
    "                                         write the printed passport as a PDF document;\n"
    "                                         --simulate (or any of its options) adds the\n"
    "                                         resources by simulation, P90/P50/P10 and charts\n"
    "  --force: open a damaged passport file as far as it could be read\n";

struct Command {
    const char* name;
    int argumentCount;
    bool takesForce;
    bool takesProgram = false;
    bool takesVerify = false;
    bool takesSimulation = false;
    bool takesJson = false;
};
constexpr Command kCommands[] = {{"dump", 1, true, false, true}, {"extract", 2, false}, {"convert", 2, true},
                                 {"unpack", 2, true, true},      {"simulate", 1, true, false, false, true},
                                 {"check", 1, true, false, false, false, true}, {"report", 2, true, false, false, true}};

// The GIS commands and set parse their own arguments.
using GisCommand = int (*)(const std::vector<char*>&, const QString&);
constexpr std::pair<const char*, GisCommand> kGisCommands[] = {
    {"contours", ContoursCommand}, {"import-contour", ImportContourCommand}, {"set", SetCommand}};

int usageError(const char* problem)
{
    std::fprintf(stderr, "talvena-psp: %s\n%s", problem, kUsage);
    return 2;
}

QString executableFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

// A path or name as printed: control characters escaped.
QByteArray printable(const QString& text) { return EscapeControlCharacters(text).toUtf8(); }

int extract(TDataModule2& module, const QString& folder)
{
    const ExtractResult result = ExtractAttachments(module.FILES, folder, [](const QString& path) {
        PrintOut(printable(path) + '\n', true);
    });
    for (const QByteArray& name : result.skipped)
        std::fprintf(stderr, "skipped \"%s\": the attachment has no content\n",
                     printable(cp1251ToUnicode(name)).constData());
    for (const QString& path : result.damaged)
        std::fprintf(stderr, "damaged \"%s\": written as far as its stored data could be decoded\n",
                     printable(path).constData());
    for (const ExtractFailure& f : result.failed)
        std::fprintf(stderr, "not written \"%s\": %s\n", printable(f.path).constData(), f.message.toUtf8().constData());
    return result.complete() ? 0 : 1;
}

int run(std::string_view command, const std::vector<char*>& args, bool force, bool verify, PreferredProgram program,
        const SimulateArguments& simulation, bool simulate, bool json)
{
    TDataModule2 module;
    module.DataModuleCreate(executableFolder());
    const QString input = QFile::decodeName(args[0]);
    // Without --force a damaged file fails with the description of the damage.
    TDataModule2::DamagedFileQuestion openDamaged;
    if (force) openDamaged = [](const PassportReadReport&) { return true; };
    module.LoadPassport(input, {}, openDamaged);
    if (!module.missingTablesWarning().isEmpty())
        std::fprintf(stderr, "talvena-psp: %s\n", module.missingTablesWarning().toUtf8().constData());

    int code = 0;
    if (command == "dump") {
        PrintOut(PassportJson(module, input.toUtf8(), verify));
    } else if (command == "extract") {
        code = extract(module, QFile::decodeName(args[1]));
    } else if (command == "check") {
        const std::vector<PassportFinding> findings = CheckPassport(module);
        PrintOut(json ? FindingsJson(findings) : FindingsText(findings));
        code = findings.empty() ? 0 : 1;
    } else if (command == "simulate") {
        code = SimulateCommand(module, input, simulation);
    } else if (command == "report") {
        std::optional<SimulationRun> run;
        PassportReportOptions options;
        if (simulate) {
            run = SimulateForReport(module, simulation.options);
            options.simulation = &*run;
        }
        WritePassportPdf(module, QFile::decodeName(args[1]), options);
    } else if (command == "unpack") {
        code = UnpackPassport(module, QFile::decodeName(args[1]), program);
    } else {
        module.SavePassport(QFile::decodeName(args[1]));
    }
    FinishOut();
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        try {
            PrintOut(kUsage, true);
        } catch (const StandardOutputError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc < 2) return usageError("no command given");
    GisCommand gisCommand = nullptr;
    for (const auto& [name, function] : kGisCommands)
        if (std::strcmp(argv[1], name) == 0) gisCommand = function;
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) command = &c;
    if (!command && !gisCommand) return usageError((std::string("unknown command \"") + argv[1] + "\"").c_str());
    std::vector<char*> args;
    if (gisCommand) args.assign(argv + 2, argv + argc);
    bool force = false;
    bool verify = false;
    bool json = false;
    PreferredProgram program = PreferredProgram::Excel;
    SimulateArguments simulation;
    bool simulate = false;
    for (int i = 2; command && i < argc; ++i) {
        std::string optionError;
        const bool report = std::strcmp(command->name, "report") == 0;
        if (report && std::strcmp(argv[i], "--simulate") == 0) {
            simulate = true;
        } else if (command->takesSimulation && ParseSimulateOption(argc, argv, i, simulation, optionError)) {
            if (!optionError.empty()) return usageError(optionError.c_str());
            if (report && simulation.fillOutput) return usageError("--fill is not an option of report");
            simulate = true;
        } else if (command->takesForce && std::strcmp(argv[i], "--force") == 0) {
            force = true;
        } else if (command->takesVerify && std::strcmp(argv[i], "--verify") == 0) {
            verify = true;
        } else if (command->takesJson && std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (command->takesProgram && std::strcmp(argv[i], "--program") == 0) {
            if (++i == argc) return usageError("--program needs excel or calc");
            if (std::strcmp(argv[i], "excel") == 0) program = PreferredProgram::Excel;
            else if (std::strcmp(argv[i], "calc") == 0) program = PreferredProgram::Calc;
            else return usageError((std::string("unknown program \"") + argv[i] + "\" (excel or calc)").c_str());
        } else {
            args.push_back(argv[i]);
        }
    }
    if (command && int(args.size()) != command->argumentCount)
        return usageError((std::string("wrong number of arguments for ") + command->name).c_str());
    // The report lays text out with Qt Gui's fonts, which need a GUI application but no display.
    std::unique_ptr<QGuiApplication> gui;
    if (command && std::strcmp(command->name, "report") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int guiArgc = 1;
        gui = std::make_unique<QGuiApplication>(guiArgc, argv);
    }
    try {
        if (gisCommand) {
            const int code = gisCommand(args, executableFolder());
            FinishOut();
            return code;
        }
        return run(command->name, args, force, verify, program, simulation, simulate, json);
    } catch (const FileWriteError& e) {
        std::fprintf(stderr, "%s\n%s: %s\n", e.what(), printable(e.path()).constData(), e.reason().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
