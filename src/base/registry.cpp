#include "base/registry.h"

#include "base/cp1251.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>

namespace talvena {
namespace {

constexpr qint64 kMaxFileSize = 16 * 1024 * 1024; // far beyond any settings file; refuse, don't allocate
constexpr QStringView kHeaders[] = {u"REGEDIT4", u"Windows Registry Editor Version 5.00"};

std::optional<QString> decode(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// regedit 5 writes UTF-16LE with a byte-order mark; hand-made files are usually UTF-8; a
// REGEDIT4 file written on a Russian Windows is CP1251, recognised by not being valid UTF-8.
std::optional<QString> readFileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return std::nullopt;
    // One byte more than the file claims tells a file that grew; never more than the limit allows.
    const QByteArray raw = file.read(std::min<qint64>(file.size(), kMaxFileSize) + 1);
    if (raw.size() > kMaxFileSize)
        return std::nullopt;
    if (raw.startsWith("\xFF\xFE"))
        return decode(QStringConverter::Utf16LE, QByteArrayView(raw).sliced(2));
    if (raw.startsWith("\xEF\xBB\xBF"))
        return decode(QStringConverter::Utf8, QByteArrayView(raw).sliced(3));
    if (std::optional<QString> text = decode(QStringConverter::Utf8, raw))
        return text;
    return cp1251ToUnicode(raw);
}

QString normalizedKey(QStringView path)
{
    while (path.startsWith(u'\\'))
        path = path.sliced(1);
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path.toString().toCaseFolded();
}

// A quoted string at the start of `s` (which begins with '"'); only \\ and \" are escapes.
// On success `s` is left after the closing quote.
std::optional<QString> takeQuoted(QStringView& s)
{
    QString out;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            s = s.sliced(i + 1);
            return out;
        }
        if (c == u'\\') {
            if (i + 1 >= s.size() || (s[i + 1] != u'\\' && s[i + 1] != u'"'))
                return std::nullopt;
            ++i;
        }
        out += s[i];
    }
    return std::nullopt;
}

std::optional<int32_t> parseDword(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (QChar ch : digits) {
        const char16_t c = ch.unicode();
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                   : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return static_cast<int32_t>(value); // registry integers are signed: ffffffff reads as -1
}

} // namespace

// Reads the entries of one key out of the file's lines.
class RegFileParser {
public:
    static std::optional<RegistryKey> parse(const QString& text, const QString& keyPath)
    {
        const QString wanted = normalizedKey(keyPath);
        const QString wantedPrefix = wanted + u'\\';
        RegistryKey key;
        bool found = false;
        bool inKey = false;
        bool first = true;
        for (QStringView line : QStringView(text).split(u'\n')) {
            line = line.trimmed();
            if (first) {
                first = false;
                if (std::find(std::begin(kHeaders), std::end(kHeaders), line) == std::end(kHeaders))
                    return std::nullopt;
                continue;
            }
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[')) {
                // A section that removes a key ("[-...]") or is not closed holds no values for us.
                inKey = false;
                if (!line.endsWith(u']') || line.startsWith(u"[-"))
                    continue;
                const QString section = normalizedKey(line.sliced(1, line.size() - 2));
                if (section == wanted) {
                    found = inKey = true;
                } else if (section.startsWith(wantedPrefix)) {
                    found = true; // a subkey implies its parent
                }
                continue;
            }
            if (inKey)
                addEntry(key, line);
        }
        if (!found)
            return std::nullopt;
        return key;
    }

private:
    // `"Name"=value` or `@=value`; anything else, such as a continuation line of a hex value, is
    // skipped. A value that cannot be read is still recorded, so that reading it fails.
    static void addEntry(RegistryKey& key, QStringView line)
    {
        QString name;
        if (line.startsWith(u'@')) {
            line = line.sliced(1);
        } else if (line.startsWith(u'"')) {
            std::optional<QString> quoted = takeQuoted(line);
            if (!quoted)
                return;
            name = *quoted;
        } else {
            return;
        }
        line = line.trimmed();
        if (!line.startsWith(u'='))
            return;
        line = line.sliced(1).trimmed();
        name = name.toCaseFolded();

        if (line == u"-") { // regedit's "delete this value"
            key.values_.remove(name);
            return;
        }
        RegistryKey::Value value;
        if (line.startsWith(u'"')) {
            std::optional<QString> text = takeQuoted(line);
            if (text && line.trimmed().isEmpty()) {
                value.type = RegistryKey::Value::Type::Text;
                value.text = unicodeToCp1251(*text);
            }
        } else if (line.startsWith(u"dword:", Qt::CaseInsensitive)) {
            if (std::optional<int32_t> number = parseDword(line.sliced(6))) {
                value.type = RegistryKey::Value::Type::Integer;
                value.integer = *number;
            }
        }
        key.values_.insert(name, value);
    }
};

QString registryFilePath()
{
    const QString path = QFile::decodeName(qgetenv("TALVENA_REGISTRY"));
    return path.isEmpty() ? QStringLiteral("/etc/talvena/talvena.reg") : path;
}

std::optional<RegistryKey> RegistryKey::openReadOnly(const QString& registryFile, const QString& keyPath)
{
    const std::optional<QString> text = readFileText(registryFile);
    if (!text)
        return std::nullopt;
    return RegFileParser::parse(*text, keyPath);
}

std::optional<RegistryKey> RegistryKey::openReadOnly(const QString& keyPath)
{
    return openReadOnly(registryFilePath(), keyPath);
}

std::optional<int32_t> RegistryKey::readInteger(const QString& name) const
{
    const auto it = values_.constFind(name.toCaseFolded());
    if (it == values_.constEnd() || it->type != Value::Type::Integer)
        return std::nullopt;
    return it->integer;
}

std::optional<QByteArray> RegistryKey::readText(const QString& name) const
{
    const auto it = values_.constFind(name.toCaseFolded());
    if (it == values_.constEnd() || it->type != Value::Type::Text)
        return std::nullopt;
    return it->text;
}

} // namespace talvena
