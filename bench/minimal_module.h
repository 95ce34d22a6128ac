#pragma once
// A data module created over dictionary files of one entry, for benchmarks whose figures do not
// depend on the dictionaries.
#include "model/data_module.h"
#include "storage/table_stream.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

inline void writeBenchTable(talvena::RecordTable& t, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write dictionaries");
    talvena::WriteTableStream(t, f, talvena::TableStreamFormats{}.kbmBinaryStreamFormat1);
}

inline std::unique_ptr<talvena::TDataModule2> minimalModule()
{
    using talvena::FieldType;
    using talvena::RecordTable;
    QTemporaryDir dir;
    RecordTable d("DICTIONARYS");
    for (const char* n : {"ID", "GROUP_ID", "PARENT_ID", "ALTORDER"}) d.addField(n, FieldType::Integer);
    d.addField("NAME", FieldType::String, 128);
    d.open();
    d.append();
    d.fieldByName("ID").setInteger(1);
    d.fieldByName("GROUP_ID").setInteger(1);
    d.post();
    writeBenchTable(d, dir.path() + "/DICTIONARYS.BIN");
    RecordTable g("Groups");
    g.addField("ID", FieldType::Integer);
    g.addField("USE_ALTORDER", FieldType::FixedChar, 1);
    g.open();
    writeBenchTable(g, dir.path() + "/GROUPS.BIN");
    auto m = std::make_unique<talvena::TDataModule2>();
    m->DataModuleCreate(dir.path());
    return m;
}
