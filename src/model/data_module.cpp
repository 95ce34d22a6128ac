#include "model/data_module.h"

#include "model/table_schemas.h"
#include "table/number_text.h"

#include <array>

namespace talvena {

namespace {

// Dictionaries that follow a parent choice; before any choice they offer the entries without one.
constexpr std::array kNarrowedDictionaries{2, 3, 4, 12, 13};

} // namespace

TDataModule2::TDataModule2()
{
    buildTables();
    for (RecordTable* t : passportTables()) t->setJournal(&journal_);
    PASPORTS.setNewRecordsPermanent(true);
    attachPassportHandlers();
    attachHorizonHandlers();
    attachContourHandlers();
}

TDataModule2::~TDataModule2() = default;

void TDataModule2::buildTables()
{
    const SchemaContext context{
        [this](const QByteArray& name) { return findTable(name); },
        [this](const QByteArray& objectName) { return FindFieldByObjectName(objectName); },
    };
    for (int n = 1; n <= kDictionaryCount; ++n) {
        auto d = std::make_unique<RecordTable>("Dict" + FormatInteger(n));
        BuildFields(*d, DictSchema(), context);
        dicts_[static_cast<size_t>(n - 1)] = std::move(d);
    }
    BuildFields(DICTIONARYS, DictionarysSchema(), context);
    BuildFields(Groups, GroupsSchema(), context);
    BuildFields(TCoords, CoordsSchema(), context);
    // Lookup tables are built before the tables that look into them.
    BuildFields(PASPORTS, PasportsSchema(), context);
    BuildFields(REFLECT_HORIZONTS, ReflectHorizontsSchema(), context);
    BuildFields(POSIB_PRODUCT_HOR, ProductHorizonsSchema(), context);
    BuildFields(KONTUR, KonturSchema(), context);
    BuildFields(FILES, FilesSchema(), context);

    // The field lists of these tables never change, so their fields can be indexed once;
    // DICTIONARYS, Groups and TempTable take their fields from the files they read.
    std::vector<RecordTable*> fixed{&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES, &TCoords};
    for (const auto& d : dicts_) fixed.push_back(d.get());
    for (RecordTable* t : fixed)
        for (int i = 0; i < t->fieldCount(); ++i) objectNames_.insert(t->field(i).objectName().toLower(), &t->field(i));

    for (int n : kNarrowedDictionaries) {
        dict(n)->setFilterText("PARENT_ID=0");
        dict(n)->setFiltered(true);
    }
    for (const auto& d : dicts_) d->open();
    TCoords.open();
}

RecordTable* TDataModule2::dict(int number) const
{
    if (number < 1 || number > kDictionaryCount) return nullptr;
    return dicts_[static_cast<size_t>(number - 1)].get();
}

RecordTable* TDataModule2::findTable(const QByteArray& name) const
{
    const std::array<const RecordTable*, 9> named{&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES,
                                                  &DICTIONARYS, &Groups, &TCoords, &TempTable};
    for (const RecordTable* t : named)
        if (t->name().compare(name, Qt::CaseInsensitive) == 0) return const_cast<RecordTable*>(t);
    for (const auto& d : dicts_)
        if (d->name().compare(name, Qt::CaseInsensitive) == 0) return d.get();
    return nullptr;
}

Field* TDataModule2::FindFieldByObjectName(const QByteArray& objectName) const
{
    if (Field* f = objectNames_.value(objectName.toLower(), nullptr)) return f;
    for (const RecordTable* t : {&DICTIONARYS, &Groups, &TempTable})
        if (Field* f = t->findFieldByObjectName(objectName)) return f;
    return nullptr;
}

void TDataModule2::CommitPendingEdits()
{
    RecordTable* const order[] = {&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES};
    talvena::CommitPendingEdits(order);
}

void TDataModule2::AllowCommaInContourCoordinates()
{
    for (const char* name : {"X", "Y"}) {
        Field& f = KONTUR.fieldByName(name);
        if (!f.validChars().contains(',')) f.setValidChars(f.validChars() + ',');
    }
}

void TDataModule2::DataModuleCreate(const QString& executableFolder)
{
    QString folder = executableFolder;
    if (!folder.endsWith('/')) folder += '/';

    formats_.kbmBinaryStreamFormat2.rawBlobMode = true;

    DICTIONARYS.open();
    ReadTableFile(DICTIONARYS, folder + "DICTIONARYS.BIN", formats_.kbmBinaryStreamFormat1);
    fillCoordinateTypes();
    splitDictionaries();
    Groups.open();
    ReadTableFile(Groups, folder + "GROUPS.BIN", formats_.kbmBinaryStreamFormat1);
    orderDictionaries();

    // The empty passport the main window starts with: pending until the first commit. Its ID is
    // given as the new record's default, so that posting it untouched is no change to save.
    PASPORTS.open();
    PASPORTS.onNewRecord = [](RecordTable& t) { t.fieldByName("ID").setInteger(-1); };
    PASPORTS.edit();
    PASPORTS.onNewRecord = nullptr;

    REFLECT_HORIZONTS.open();
    POSIB_PRODUCT_HOR.open();
    KONTUR.open();
    FILES.open();
    AllowCommaInContourCoordinates();
    state_.setFileName(QString());
}

} // namespace talvena
