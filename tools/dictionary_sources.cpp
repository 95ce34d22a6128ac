#include "tools/dictionary_sources.h"

#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "storage/table_stream.h"
#include "table/record_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>

namespace talvena {

namespace {

constexpr int kNameSize = 128; // NAME and GROUPNAME are String 128 in the application

// Entries whose IDs the application compares against; a file without them breaks page rules.
struct FixedEntry {
    int32_t group;
    int32_t id;
};
constexpr FixedEntry kFixedEntries[] = {
    {5, 89}, {5, 90}, {5, 91}, {5, 92},                  // methods: seismic, electrical, drilling, other
    {8, 108},                                            // explosive source
    {18, 397}, {18, 398}, {18, 399}, {18, 401}, {18, 886}, // hydrocarbon kinds of the resource pages
};

const QByteArray kGroupsHeader = "ID\tGROUPNAME\tPARENT_ID\tUSE_ALTORDER";
const QByteArray kDictionaryHeader = "ID\tNAME\tPARENT_ID\tALTORDER";

[[noreturn]] void fail(const QString& where, const std::string& message)
{
    throw Error(where.toStdString() + ": " + message);
}

QString at(const QString& origin, int line) { return origin + ':' + QString::number(line); }

struct SourceRow {
    QString where;
    std::vector<QByteArray> cells; // comment cells removed, trailing empty cells kept
};

std::vector<SourceRow> readRows(const QByteArray& utf8, const QByteArray& header, const QString& origin)
{
    QByteArray text = utf8;
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    const qsizetype columns = header.count('\t') + 1;
    std::vector<SourceRow> rows;
    bool headerSeen = false;
    int lineNumber = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNumber;
        if (line.endsWith('\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        if (!headerSeen) {
            if (line != header)
                fail(at(origin, lineNumber), "expected the header line \"" + header.toStdString() + '"');
            headerSeen = true;
            continue;
        }
        SourceRow row{at(origin, lineNumber), {}};
        for (const QByteArray& cell : line.split('\t')) {
            if (cell.startsWith('#')) break;
            row.cells.push_back(cell);
        }
        if (qsizetype(row.cells.size()) > columns)
            fail(row.where, "more than " + std::to_string(columns) + " cells");
        row.cells.resize(size_t(columns));
        rows.push_back(std::move(row));
    }
    if (!headerSeen) fail(origin, "no header line");
    return rows;
}

// Decimal digits with an optional minus sign; no spaces, no locale.
int32_t integerCell(const QByteArray& cell, const QString& where, const char* column)
{
    const bool negative = cell.startsWith('-');
    const QByteArray digits = negative ? cell.mid(1) : cell;
    int64_t value = 0;
    bool ok = !digits.isEmpty() && digits.size() <= 10;
    for (char c : digits) {
        if (c < '0' || c > '9') { ok = false; break; }
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        fail(where, std::string(column) + " is not an integer: \"" + cell.toStdString() + '"');
    return int32_t(value);
}

QByteArray nameCell(const QByteArray& cell, const QString& where, const char* column)
{
    if (cell.isEmpty()) fail(where, std::string(column) + " is empty");
    if (cell.front() == ' ' || cell.back() == ' ')
        fail(where, std::string(column) + " has leading or trailing spaces");
    bool lossless = false;
    QByteArray cp1251 = utf8ToCp1251(cell, &lossless);
    if (!lossless)
        fail(where, std::string(column) + " \"" + cell.toStdString() + "\" has characters that Windows-1251 cannot hold");
    if (cp1251.size() > kNameSize)
        fail(where, std::string(column) + " is longer than " + std::to_string(kNameSize) + " characters");
    return cp1251;
}

std::string number(int64_t n) { return std::to_string(n); }

} // namespace

std::vector<DictionaryGroup> parseGroups(const QByteArray& utf8, const QString& origin)
{
    std::vector<DictionaryGroup> groups;
    for (const SourceRow& row : readRows(utf8, kGroupsHeader, origin)) {
        DictionaryGroup g;
        g.origin = row.where;
        g.id = integerCell(row.cells[0], row.where, "ID");
        g.name = nameCell(row.cells[1], row.where, "GROUPNAME");
        g.parentGroup = integerCell(row.cells[2], row.where, "PARENT_ID");
        const QByteArray& use = row.cells[3];
        if (use != "Y" && use != "N") fail(row.where, "USE_ALTORDER must be Y or N");
        g.useAltOrder = use == "Y";
        groups.push_back(std::move(g));
    }
    return groups;
}

std::vector<DictionaryEntry> parseDictionary(const QByteArray& utf8, int32_t groupId, const QString& origin)
{
    std::vector<DictionaryEntry> entries;
    for (const SourceRow& row : readRows(utf8, kDictionaryHeader, origin)) {
        DictionaryEntry e;
        e.groupId = groupId;
        e.origin = row.where;
        e.id = integerCell(row.cells[0], row.where, "ID");
        if (e.id <= 0) fail(row.where, "ID must be positive (0 is the empty entry the application adds)");
        e.name = nameCell(row.cells[1], row.where, "NAME");
        if (!row.cells[2].isEmpty()) e.parentId = integerCell(row.cells[2], row.where, "PARENT_ID");
        if (!row.cells[3].isEmpty()) e.altOrder = integerCell(row.cells[3], row.where, "ALTORDER");
        entries.push_back(std::move(e));
    }
    return entries;
}

int32_t dictionaryNumberOfFile(const QString& fileName)
{
    const QString base = QFileInfo(fileName).fileName();
    const bool shaped = base.size() > 7 && base.startsWith(QLatin1String("dict")) &&
                        base[4].isDigit() && base[5].isDigit() && base[6] == '_' &&
                        base.endsWith(QLatin1String(".tsv"));
    const int32_t n = shaped ? int32_t((base[4].unicode() - '0') * 10 + (base[5].unicode() - '0')) : 0;
    if (n < 1 || n > kDictionaryGroupCount)
        fail(fileName, "a dictionary source is named dictNN_<what>.tsv with NN from 01 to 20");
    return n;
}

namespace {

QByteArray readWhole(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) fail(fileName, "cannot read: " + f.errorString().toStdString());
    return f.readAll();
}

} // namespace

DictionarySources loadDictionarySources(const QString& dataDir)
{
    DictionarySources sources;
    const QString groupsFile = dataDir + QLatin1String("/groups.tsv");
    sources.groups = parseGroups(readWhole(groupsFile), groupsFile);

    const QDir dir(dataDir + QLatin1String("/dictionaries"));
    std::map<int32_t, QString> files; // by dictionary number, so the file order is the group order
    for (const QString& name : dir.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        const int32_t n = dictionaryNumberOfFile(path);
        if (!files.emplace(n, path).second)
            fail(path, "a second source for dictionary " + number(n) + " (" + files[n].toStdString() + ')');
    }
    if (files.empty()) fail(dir.path(), "no dictionary sources");
    for (const auto& [n, path] : files) {
        std::vector<DictionaryEntry> entries = parseDictionary(readWhole(path), n, path);
        std::move(entries.begin(), entries.end(), std::back_inserter(sources.entries));
    }
    return sources;
}

void validateDictionarySources(const DictionarySources& sources)
{
    std::map<int32_t, const DictionaryGroup*> groups;
    for (const DictionaryGroup& g : sources.groups) {
        if (g.id < 1 || g.id > kDictionaryGroupCount)
            fail(g.origin, "group ID " + number(g.id) + " is outside 1.." + number(kDictionaryGroupCount));
        if (!groups.emplace(g.id, &g).second) fail(g.origin, "group " + number(g.id) + " is listed twice");
    }
    if (int(groups.size()) != kDictionaryGroupCount)
        fail(sources.groups.empty() ? QStringLiteral("groups") : sources.groups.front().origin,
             "the groups must list every dictionary from 1 to " + number(kDictionaryGroupCount));
    for (const DictionaryGroup& g : sources.groups) {
        // Walking up must end at 0 within the group count, otherwise the parents form a cycle.
        int32_t p = g.parentGroup;
        for (int steps = 0; p != 0; ++steps) {
            if (!groups.count(p)) fail(g.origin, "parent group " + number(p) + " is not listed");
            if (steps >= kDictionaryGroupCount) fail(g.origin, "the parent groups form a cycle");
            p = groups[p]->parentGroup;
        }
    }

    std::unordered_map<int32_t, const DictionaryEntry*> byId;
    for (const DictionaryEntry& e : sources.entries) {
        if (!groups.count(e.groupId)) fail(e.origin, "dictionary " + number(e.groupId) + " has no group");
        const auto [it, fresh] = byId.emplace(e.id, &e);
        if (!fresh)
            fail(e.origin, "ID " + number(e.id) + " is already used at " + it->second->origin.toStdString());
    }

    std::map<int32_t, int32_t> lastAltOrder;
    for (const DictionaryEntry& e : sources.entries) {
        const DictionaryGroup& g = *groups[e.groupId];
        if (g.parentGroup == 0) {
            if (e.parentId != 0) fail(e.origin, "PARENT_ID must be empty or 0 in a dictionary without parents");
        } else {
            const auto it = byId.find(e.parentId);
            if (it == byId.end() || it->second->groupId != g.parentGroup)
                fail(e.origin, "PARENT_ID " + number(e.parentId) + " is no entry of dictionary " +
                                   number(g.parentGroup));
        }
        if (!g.useAltOrder) continue;
        if (!e.altOrder || *e.altOrder <= 0)
            fail(e.origin, "ALTORDER must be a positive number in an alternatively ordered dictionary");
        const auto last = lastAltOrder.find(e.groupId);
        if (last != lastAltOrder.end() && *e.altOrder <= last->second)
            fail(e.origin, "ALTORDER " + number(*e.altOrder) + " does not follow " + number(last->second));
        lastAltOrder[e.groupId] = *e.altOrder;
    }

    // Children run through their parents in the parents' order, so sorting either dictionary gives
    // the same column: no parent's block is split or out of place.
    std::map<int32_t, int32_t> lastParentAltOrder;
    for (const DictionaryEntry& e : sources.entries) {
        const DictionaryGroup& g = *groups[e.groupId];
        if (!g.useAltOrder || g.parentGroup == 0 || !groups[g.parentGroup]->useAltOrder) continue;
        const int32_t parentOrder = *byId[e.parentId]->altOrder;
        const auto last = lastParentAltOrder.find(e.groupId);
        if (last != lastParentAltOrder.end() && parentOrder < last->second)
            fail(e.origin, "its parent comes before the parent of the entry above it in ALTORDER");
        lastParentAltOrder[e.groupId] = parentOrder;
    }

    for (const FixedEntry& f : kFixedEntries) {
        const auto it = byId.find(f.id);
        if (it == byId.end() || it->second->groupId != f.group)
            fail(QStringLiteral("dictionary ") + QString::number(f.group),
                 "the application needs the entry with ID " + number(f.id) + " in it");
    }
}

void fillDictionaryTable(const DictionarySources& sources, RecordTable& table)
{
    table.clearFields();
    table.addField("ID", FieldType::Integer, 0, true);
    table.addField("GROUP_ID", FieldType::Integer);
    table.addField("NAME", FieldType::String, kNameSize);
    table.addField("PARENT_ID", FieldType::Integer);
    table.addField("ALTORDER", FieldType::Integer);
    table.open();
    table.beginLoad();
    for (const DictionaryEntry& e : sources.entries) {
        std::vector<Value> values{Value::integer(e.id), Value::integer(e.groupId), Value::bytes(e.name),
                                  Value::integer(e.parentId),
                                  e.altOrder ? Value::integer(*e.altOrder) : Value()};
        table.loadRecord(values, 0);
    }
    table.endLoad();
}

void fillGroupsTable(const DictionarySources& sources, RecordTable& table)
{
    table.clearFields();
    table.addField("ID", FieldType::Integer);
    table.addField("GROUPNAME", FieldType::String, kNameSize);
    table.addField("PARENT_ID", FieldType::Integer);
    table.addField("USE_ALTORDER", FieldType::FixedChar, 1);
    table.open();
    table.beginLoad();
    std::vector<const DictionaryGroup*> ordered;
    for (const DictionaryGroup& g : sources.groups) ordered.push_back(&g);
    std::stable_sort(ordered.begin(), ordered.end(), [](auto a, auto b) { return a->id < b->id; });
    for (const DictionaryGroup* g : ordered) {
        std::vector<Value> values{Value::integer(g->id), Value::bytes(g->name),
                                  Value::integer(g->parentGroup),
                                  Value::bytes(g->useAltOrder ? "Y" : "N")};
        table.loadRecord(values, 0);
    }
    table.endLoad();
}

namespace {

void writeTableFile(RecordTable& table, const QString& fileName)
{
    // Replaced whole, so a failed build never leaves half a file beside the executables.
    try {
        WriteFileAtomically(fileName, TableStreamBytes(table, tableStreamFormats().kbmBinaryStreamFormat1));
    } catch (const FileError& e) {
        fail(fileName, "cannot write: " + e.reason().toStdString());
    }
}

} // namespace

void writeDictionaryFiles(const DictionarySources& sources, const QString& outDir)
{
    validateDictionarySources(sources);
    RecordTable dictionaries("DICTIONARYS");
    fillDictionaryTable(sources, dictionaries);
    RecordTable groups("Groups");
    fillGroupsTable(sources, groups);
    writeTableFile(dictionaries, outDir + QLatin1String("/DICTIONARYS.BIN"));
    writeTableFile(groups, outDir + QLatin1String("/GROUPS.BIN"));
}

} // namespace talvena
