#pragma once
// The readable sources of the two dictionary files and their compilation.
//
// Sources are UTF-8 tab-separated files: data/groups.tsv lists the dictionary groups, and
// data/dictionaries/dictNN_<what>.tsv holds the entries of dictionary NN. Lines starting with '#'
// and blank lines are skipped; the first other line is the header; a cell starting with '#' starts
// a trailing comment. An entry line holds ID and NAME, optionally PARENT_ID (empty: 0) and
// ALTORDER (empty: NULL).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace talvena {

class RecordTable;

inline constexpr int kDictionaryGroupCount = 20;

struct DictionaryGroup {
    int32_t id = 0;
    QByteArray name;         // CP1251
    int32_t parentGroup = 0; // the group holding this group's parent entries, 0 for none
    bool useAltOrder = false;
    QString origin;          // "file:line", for messages
};

struct DictionaryEntry {
    int32_t groupId = 0;
    int32_t id = 0;
    QByteArray name;         // CP1251
    int32_t parentId = 0;
    std::optional<int32_t> altOrder;
    QString origin;
};

struct DictionarySources {
    std::vector<DictionaryGroup> groups;
    std::vector<DictionaryEntry> entries; // by group number, each group in its file's order
};

// Parsing fails with talvena::Error naming the origin and line.
std::vector<DictionaryGroup> parseGroups(const QByteArray& utf8, const QString& origin);
std::vector<DictionaryEntry> parseDictionary(const QByteArray& utf8, int32_t groupId,
                                             const QString& origin);
// The dictionary number of a source file named "dictNN_<anything>.tsv".
int32_t dictionaryNumberOfFile(const QString& fileName);

// Reads <dataDir>/groups.tsv and every <dataDir>/dictionaries/dict*.tsv.
DictionarySources loadDictionarySources(const QString& dataDir);

// Fails on the first fault: groups not exactly 1..20, IDs repeated anywhere in the file, parents
// missing from the parent group, fixed IDs the application relies on missing, or an alternative
// order that does not run strictly upwards through a group (and keeps its parents' order).
void validateDictionarySources(const DictionarySources& sources);

// The tables as the application loads them.
void fillDictionaryTable(const DictionarySources& sources, RecordTable& table);
void fillGroupsTable(const DictionarySources& sources, RecordTable& table);

// Validates, then writes DICTIONARYS.BIN and GROUPS.BIN into outDir, each replaced whole.
void writeDictionaryFiles(const DictionarySources& sources, const QString& outDir);

} // namespace talvena
