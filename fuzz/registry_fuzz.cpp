// Arbitrary bytes as the settings file (.reg text, in any of its encodings): the reader must not
// crash, hang or misbehave, and what it reads must follow the registry's typing rules.
#include "base/registry.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace talvena;

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

QString scratchFile()
{
    static const QString path = QStringLiteral("/dev/shm/talvena-registry-fuzz-%1.reg").arg(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        QFile f(scratchFile());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    for (const QString& keyPath : {QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Talvena"), QStringLiteral("a"),
                                   QStringLiteral("\\")}) {
        const std::optional<RegistryKey> key = RegistryKey::openReadOnly(scratchFile(), keyPath);
        if (!key) continue;
        for (const QString& name : {QStringLiteral("CompressLevel"), QStringLiteral("ServerType"),
                                    QStringLiteral("DatabaseName"), QStringLiteral("a"), QString()}) {
            // A value is text or a number, never both.
            require(!(key->readInteger(name) && key->readText(name)));
        }
    }
    return 0;
}
