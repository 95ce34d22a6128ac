// The contour points, the attached files, and the dictionary tables.
#include "model/schema_shorthand.h"
#include "model/table_schemas.h"

namespace talvena {

namespace {

using namespace schema;

const FieldDecl kKontur[] = {
    {"ID", Int, 0, Dat, Req, NoRule, NoGroup, ""},
    {"HEAD_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"X", Flt, 0, Dat, Opt, NoRule, NoGroup, "Долгота"},
    {"Y", Flt, 0, Dat, Opt, NoRule, NoGroup, "Широта"},
};

const FieldDecl kFiles[] = {
    {"NAME", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
    {"CONTENT", Blob, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"DESCRIPTION", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
    {"SRCNAME", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
};

// Replaced by the file's own field list when the dictionary file is read.
const FieldDecl kDictionarys[] = {
    {"ID", Int, 0, Dat, Req, NoRule, NoGroup, ""},
    {"GROUP_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"NAME", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"ALTORDER", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
};

const FieldDecl kGroups[] = {
    {"ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"GROUPNAME", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"USE_ALTORDER", Chr, 1, Dat, Opt, NoRule, NoGroup, ""},
};

const FieldDecl kDict[] = {
    {"ID", Int, 0, Dat, Req, NoRule, NoGroup, ""},
    {"NAME", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"ALTORDER", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
};

const FieldDecl kCoords[] = {
    {"ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"NAME", Str, 64, Dat, Opt, NoRule, NoGroup, ""},
};

} // namespace

std::span<const FieldDecl> KonturSchema() { return kKontur; }
std::span<const FieldDecl> FilesSchema() { return kFiles; }
std::span<const FieldDecl> DictionarysSchema() { return kDictionarys; }
std::span<const FieldDecl> GroupsSchema() { return kGroups; }
std::span<const FieldDecl> DictSchema() { return kDict; }
std::span<const FieldDecl> CoordsSchema() { return kCoords; }

} // namespace talvena
