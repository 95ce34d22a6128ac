// Filling the coordinate types and the twenty dictionaries from the dictionary files.
#include "base/cp1251.h"
#include "model/data_module.h"

namespace talvena {

namespace {

struct CoordinateType {
    int id;
    const char* name; // UTF-8
};

const CoordinateType kCoordinateTypes[] = {
    {0, ""},
    {1, "Географическая система координат (градусы/минуты/секунды)"},
    {2, "Географическая система координат (доли градуса)"},
    {3, "Проекция Меркатора"},
    {4, "Проекция Гаусса-Крюгера"},
};

// The dictionary a record of DICTIONARYS or Groups names, or nullptr when it names none.
RecordTable* namedDictionary(const TDataModule2& module, const Field& number)
{
    if (number.isNull()) return nullptr;
    const int64_t n = number.asInteger();
    if (n < 1 || n > TDataModule2::kDictionaryCount) return nullptr;
    return module.dict(static_cast<int>(n));
}

} // namespace

void TDataModule2::fillCoordinateTypes()
{
    if (!TCoords.isEmpty()) return;
    for (const CoordinateType& c : kCoordinateTypes) {
        TCoords.append();
        TCoords.fieldByName("ID").setInteger(c.id);
        TCoords.fieldByName("NAME").setString(utf8ToCp1251(c.name));
        TCoords.post();
    }
    TCoords.setReadOnly(true);
}

void TDataModule2::splitDictionaries()
{
    static const char* const kCopied[] = {"ID", "NAME", "PARENT_ID", "ALTORDER"};
    const Field& group = DICTIONARYS.fieldByName("GROUP_ID");
    const Field* source[4];
    for (int i = 0; i < 4; ++i) source[i] = &DICTIONARYS.fieldByName(kCopied[i]);

    for (DICTIONARYS.first(); !DICTIONARYS.eof(); DICTIONARYS.next()) {
        // A group number outside 1 to 20 has no dictionary; its entries are left out.
        RecordTable* d = namedDictionary(*this, group);
        if (!d) continue;
        if (d->tag == 0) {
            d->append();
            d->fieldByName("ID").setInteger(0);
            d->fieldByName("NAME").setString("");
            d->fieldByName("PARENT_ID").setInteger(0);
            d->fieldByName("ALTORDER").setInteger(0);
            d->post();
            d->tag = 1;
        }
        d->append();
        for (int i = 0; i < 4; ++i) d->fieldByName(kCopied[i]).assign(*source[i]);
        d->post();
    }
}

void TDataModule2::orderDictionaries()
{
    const Field& number = Groups.fieldByName("ID");
    const Field& useAltOrder = Groups.fieldByName("USE_ALTORDER");
    for (Groups.first(); !Groups.eof(); Groups.next()) {
        RecordTable* d = namedDictionary(*this, number);
        if (!d) continue;
        d->sort(!useAltOrder.isNull() && useAltOrder.asString() == "Y" ? "ALTORDER" : "NAME");
        d->setReadOnly(true);
    }
}

} // namespace talvena
