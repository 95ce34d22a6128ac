#pragma once
// Read-only stand-in for the Windows registry: the values live in a text file in the format
// regedit exports (.reg), so a site can copy its Windows settings over as they are.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

namespace talvena {

// $TALVENA_REGISTRY, or /etc/talvena/talvena.reg when it is unset or empty.
QString registryFilePath();

// One key of the file with the values written directly under it. Key paths and value names
// ignore letter case, as in the registry. Texts come back as CP1251 bytes.
class RegistryKey {
public:
    // `keyPath` is the full path, e.g. "HKEY_LOCAL_MACHINE\Software\Talvena". No key when the
    // file is missing, unreadable or not a .reg file, or when no section names the key or a key
    // below it.
    static std::optional<RegistryKey> openReadOnly(const QString& registryFile, const QString& keyPath);
    static std::optional<RegistryKey> openReadOnly(const QString& keyPath); // in registryFilePath()

    // Like a registry read, these fail on a missing value, on a value of the other type and on
    // an entry the file spells wrongly.
    std::optional<int32_t> readInteger(const QString& name) const;
    std::optional<QByteArray> readText(const QString& name) const;

private:
    struct Value {
        enum class Type { Text, Integer, Other } type = Type::Other;
        QByteArray text;
        int32_t integer = 0;
    };
    friend class RegFileParser;

    QHash<QString, Value> values_; // by case-folded name; "" is the key's default value ("@")
};

} // namespace talvena
