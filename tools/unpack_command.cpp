#include "tools/unpack_command.h"

#include "export/export_session.h"
#include "export/unpacked_passport.h"
#include "tools/attachment_extract.h"
#include "tools/standard_output.h"

#include <cstdio>

namespace talvena {

int UnpackPassport(TDataModule2& module, const QString& directory, PreferredProgram program)
{
    ExportSession session;
    UnpackedPassportOptions options;
    options.directory = directory;
    options.program = program;
    options.written = [](const QString& path) {
        PrintOut(EscapeControlCharacters(path).toUtf8() + '\n', true);
    };
    options.notice = [](const QString& message) { std::fprintf(stderr, "%s\n", message.toUtf8().constData()); };
    const UnpackedPassportResult result = WriteUnpackedPassport(module, session, options);
    for (const QString& path : result.damaged)
        std::fprintf(stderr, "damaged \"%s\": written as far as its stored data could be decoded\n",
                     EscapeControlCharacters(path).toUtf8().constData());
    for (const UnpackedFailure& f : result.failed)
        std::fprintf(stderr, "not written \"%s\": %s\n", EscapeControlCharacters(f.path).toUtf8().constData(),
                     EscapeControlCharacters(f.message).toUtf8().constData());
    return result.complete() ? 0 : 1;
}

} // namespace talvena
