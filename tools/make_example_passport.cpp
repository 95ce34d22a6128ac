// Builds a passport file from its readable JSON source through the data module and saves it as
// the application does. The same source always gives the same bytes: identifiers come from the
// source, and the generator that draws the rest starts from a fixed seed.
// Usage: make-example-passport SOURCE.json OUTPUT.psp
#include "base/error.h"
#include "base/file_errors.h"
#include "base/random_id.h"
#include "model/data_module.h"
#include "tools/passport_source.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cstdio>
#include <exception>

using namespace talvena;

namespace {

constexpr uint32_t kSeed = 20240517;

QJsonObject readSource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw Error(path.toStdString() + ": not a JSON object (" + error.errorString().toStdString() + " at offset " +
                    std::to_string(error.offset) + ")");
    return document.object();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE.json OUTPUT.psp\n", argv[0]);
        return 2;
    }
    try {
        seedRandom(kSeed);
        const QString sourcePath = QFile::decodeName(argv[1]);
        TDataModule2 module;
        module.DataModuleCreate(QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath());
        BuildPassportFromSource(module, readSource(sourcePath), QFileInfo(sourcePath).absolutePath());
        module.SavePassport(QFile::decodeName(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-example-passport: %s\n", e.what());
        return 1;
    }
    return 0;
}
