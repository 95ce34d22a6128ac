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
    const UnpackedPassportResult result = WriteUnpackedPassport(module, session, options);
    for (const QString& path : result.damaged)
        std::fprintf(stderr, "damaged \"%s\": written as far as its stored data could be decoded\n",
                     EscapeControlCharacters(path).toUtf8().constData());
    return result.damaged.isEmpty() ? 0 : 1;
}

} // namespace talvena
