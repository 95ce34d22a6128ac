#include "model/starting_passport.h"

#include "model/data_module.h"

namespace talvena {

namespace {
// The dictionaries narrowed by the choices of district, region and province.
constexpr int kNarrowedDictionaries[] = {2, 3, 4, 12, 13};
} // namespace

StartingPassport::StartingPassport(TDataModule2& module) : module_(module)
{
    for (RecordTable* t : module.passportTables()) tables_.emplace_back(t, t->takeSnapshot());
    for (int n : kNarrowedDictionaries)
        if (RecordTable* d = module.dict(n)) tables_.emplace_back(d, d->takeSnapshot());
}

void StartingPassport::restore()
{
    for (auto& [table, snapshot] : tables_) table->restoreSnapshot(snapshot);
    module_.state().setFileName(QString());
    module_.state().setModified(false);
}

} // namespace talvena
