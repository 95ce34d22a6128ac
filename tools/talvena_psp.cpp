// talvena-psp: the passport file from the command line, through the same model as the
// application and with the dictionary files beside this executable.
//
//   talvena-psp dump FILE          the passport as JSON on standard output
//   talvena-psp extract FILE DIR   every attachment written into DIR, one line per file
//   talvena-psp convert IN OUT     IN (any readable variant) saved as the application saves
//   talvena-psp contours FILE      every horizon's trap contour as GeoJSON on standard output
//
// Exit codes: 0 done, 1 the passport or a file could not be read or written (the model's message
// on standard error, exactly as it is), 2 wrong usage.
#include "base/cp1251.h"
#include "model/data_module.h"
#include "tools/attachment_extract.h"
#include "tools/contours_geojson.h"
#include "tools/passport_json.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

using namespace talvena;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  talvena-psp dump FILE          print the passport as JSON (UTF-8)\n"
    "  talvena-psp extract FILE DIR   write every attachment into DIR\n"
    "  talvena-psp convert IN OUT     save IN as a current, headered passport file OUT\n"
    "  talvena-psp contours FILE      print every horizon's trap contour as GeoJSON\n";

struct Command {
    const char* name;
    int argumentCount;
};
constexpr Command kCommands[] = {{"dump", 1}, {"extract", 2}, {"convert", 2}, {"contours", 1}};

int usageError(const char* problem)
{
    std::fprintf(stderr, "talvena-psp: %s\n%s", problem, kUsage);
    return 2;
}

void print(const QByteArray& utf8)
{
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
}

QString executableFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

int run(std::string_view command, char** args)
{
    TDataModule2 module;
    module.DataModuleCreate(executableFolder());
    const QString input = QFile::decodeName(args[0]);
    module.LoadPassport(input);

    if (command == "dump") {
        print(PassportJson(module, input.toUtf8()));
    } else if (command == "contours") {
        print(ContoursGeoJson(module, input.toUtf8()));
    } else if (command == "extract") {
        const QString folder = QFile::decodeName(args[1]);
        const ExtractResult result = ExtractAttachments(module.FILES, folder, [](const QString& path) {
            print(QFile::encodeName(path) + '\n');
            std::fflush(stdout);
        });
        for (const QByteArray& name : result.skipped)
            std::fprintf(stderr, "skipped \"%s\": the attachment has no content\n", cp1251ToUtf8(name).constData());
    } else {
        module.SavePassport(QFile::decodeName(args[1]));
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "talvena-psp: cannot write to standard output\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc < 2) return usageError("no command given");
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) command = &c;
    if (!command) return usageError((std::string("unknown command \"") + argv[1] + "\"").c_str());
    if (argc - 2 != command->argumentCount)
        return usageError((std::string("wrong number of arguments for ") + command->name).c_str());
    try {
        return run(command->name, argv + 2);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
