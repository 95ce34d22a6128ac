#pragma once
// The declarations of every table the data module defines itself, in record order.
#include "model/field_schema.h"

#include <span>

namespace talvena {

std::span<const FieldDecl> PasportsSchema();          // 77 fields
std::span<const FieldDecl> ReflectHorizontsSchema();  // 29 fields
std::span<const FieldDecl> ProductHorizonsSchema();   // 111 fields
std::span<const FieldDecl> KonturSchema();            // 4 fields
std::span<const FieldDecl> FilesSchema();             // 4 fields

// Dictionary tables: what the dictionary files are expected to hold, and the twenty
// dictionaries and the coordinate types built from them.
std::span<const FieldDecl> DictionarysSchema();
std::span<const FieldDecl> GroupsSchema();
std::span<const FieldDecl> DictSchema();
std::span<const FieldDecl> CoordsSchema();

} // namespace talvena
