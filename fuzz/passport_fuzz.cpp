// Arbitrary bytes opened as a passport file, by the data module over the shipped dictionaries:
// opening must not crash, hang or run out of memory; a failed open leaves the five passport
// tables and the narrowed dictionaries exactly as they were; and what opened, saved and opened
// again gives the same tables.
#include "base/error.h"
#include "model/data_module.h"
#include "storage/passport_file.h"
#include "storage/table_stream.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace talvena;

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

TDataModule2* createdModule()
{
    auto* m = new TDataModule2;
    m->DataModuleCreate(QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath());
    return m;
}

// The module every input opens into, and a second one that opens what the first saved.
TDataModule2& freshModule()
{
    static TDataModule2* module = createdModule();
    return *module;
}

TDataModule2& secondModule()
{
    static TDataModule2* module = createdModule();
    return *module;
}

// Everything a failed open must not change, as bytes.
QByteArray fingerprint(TDataModule2& m)
{
    const TableStreamFormat plain{false, true, 65536};
    QByteArray out;
    for (RecordTable* t : m.passportTables()) {
        out += TableStreamBytes(*t, plain);
        out += QByteArray::number(int(t->state())) + ',' + QByteArray::number(t->currentPosition()) + ',' +
               t->filterText() + ',' + QByteArray::number(t->filtered()) + ';';
    }
    for (int n : {2, 3, 4, 12, 13}) {
        RecordTable* d = m.dict(n);
        out += d->filterText() + ',' + QByteArray::number(d->filtered()) + ',' + QByteArray::number(d->recordCount()) + ';';
    }
    out += m.state().fileName().toUtf8() + QByteArray::number(m.state().modified());
    return out;
}

QByteArray tablesOf(TDataModule2& m)
{
    const TableStreamFormat plain{false, true, 65536};
    QByteArray out;
    for (RecordTable* t : m.passportTables()) out += TableStreamBytes(*t, plain);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TDataModule2& m = freshModule();
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray before = fingerprint(m);
    bool opened = false;
    try {
        opened = m.LoadPassportBytes(input, QStringLiteral("fuzz.psp"), {},
                                     [](const PassportReadReport&) { return true; });
    } catch (const Error&) {
        require(fingerprint(m) == before);
        return 0;
    }
    require(opened);

    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    m.CommitPendingEdits();
    WritePassport(saved, m.passportTables(), m.formats());
    TDataModule2& again = secondModule();
    try {
        require(again.LoadPassportBytes(saved.data(), QStringLiteral("again.psp")));
    } catch (const Error&) {
        std::abort(); // what the program saved must open
    }
    require(tablesOf(again) == tablesOf(m));
    return 0;
}
