// The contour points, the attached files, and the dictionary tables.
#include "model/schema_shorthand.h"
#include "model/table_schemas.h"

namespace talvena {

namespace {

using namespace schema;

const FieldDecl kKontur[] = {
    {"ID", Int, 0, Dat, Req, NoRule, ""},
    {"HEAD_ID", Int, 0, Dat, Opt, NoRule, ""},
    {"X", Flt, 0, Dat, Opt, NoRule, "Долгота"},
    {"Y", Flt, 0, Dat, Opt, NoRule, "Широта"},
};

const FieldDecl kFiles[] = {
    {"NAME", Str, 128, Dat, Opt, NoRule, ""},
    {"CONTENT", Blob, 0, Dat, Opt, NoRule, ""},
    {"DESCRIPTION", Str, 128, Dat, Opt, NoRule, ""},
    {"SRCNAME", Str, 128, Dat, Opt, NoRule, ""},
};

// Replaced by the file's own field list when the dictionary file is read.
const FieldDecl kDictionarys[] = {
    {"ID", Int, 0, Dat, Req, NoRule, ""},
    {"GROUP_ID", Int, 0, Dat, Opt, NoRule, ""},
    {"NAME", Str, 128, Dat, Opt, NoRule, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, ""},
    {"ALTORDER", Int, 0, Dat, Opt, NoRule, ""},
};

const FieldDecl kGroups[] = {
    {"ID", Int, 0, Dat, Opt, NoRule, ""},
    {"GROUPNAME", Str, 128, Dat, Opt, NoRule, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, ""},
    {"USE_ALTORDER", Chr, 1, Dat, Opt, NoRule, ""},
};

const FieldDecl kDict[] = {
    {"ID", Int, 0, Dat, Req, NoRule, ""},
    {"NAME", Str, 128, Dat, Opt, NoRule, ""},
    {"PARENT_ID", Int, 0, Dat, Opt, NoRule, ""},
    {"ALTORDER", Int, 0, Dat, Opt, NoRule, ""},
};

const FieldDecl kCoords[] = {
    {"ID", Int, 0, Dat, Opt, NoRule, ""},
    {"NAME", Str, 64, Dat, Opt, NoRule, ""},
};

} // namespace

std::span<const FieldDecl> KonturSchema() { return kKontur; }
std::span<const FieldDecl> FilesSchema() { return kFiles; }
std::span<const FieldDecl> DictionarysSchema() { return kDictionarys; }
std::span<const FieldDecl> GroupsSchema() { return kGroups; }
std::span<const FieldDecl> DictSchema() { return kDict; }
std::span<const FieldDecl> CoordsSchema() { return kCoords; }

} // namespace talvena
