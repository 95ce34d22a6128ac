// Rebuilding the attachment slot lists of a passport with 1,000 reflecting and 1,000 productive
// horizons and 2,000 attachments spread over every kind of slot.
#include "model/attachment_slots.h"
#include "model/data_module.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>

using namespace talvena;

namespace {

constexpr int kHorizons = 1'000;
constexpr int kAttachments = 2'000;

QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

struct Passport {
    TDataModule2 dm;
    std::unique_ptr<AttachmentSlots> lists;

    Passport()
    {
        dm.DataModuleCreate(binFolder());
        dm.CommitPendingEdits();
        for (int i = 1; i <= kHorizons; ++i) {
            dm.REFLECT_HORIZONTS.append();
            dm.REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("OG" + QByteArray::number(i));
            dm.REFLECT_HORIZONTS.post();
            dm.POSIB_PRODUCT_HOR.append();
            dm.POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString("Suite " + QByteArray::number(i));
            dm.POSIB_PRODUCT_HOR.post();
        }
        // Maps of every horizon, profile sections, and the rest as additional graphics.
        const char* kinds[] = {"To", "Str", "Prod", "Geo", "Vrem", "scan "};
        for (int i = 0; i < kAttachments; ++i) {
            const int kind = i % 6;
            dm.FILES.append();
            dm.FILES.fieldByName("NAME").setString(kinds[kind] + QByteArray::number(i / 6 + 1) + ".png");
            dm.FILES.fieldByName("SRCNAME").setString("source " + QByteArray::number(i) + ".png");
            dm.FILES.fieldByName("CONTENT").setBytes(QByteArray(20, 'x'));
            dm.FILES.post();
        }
        lists = std::make_unique<AttachmentSlots>(dm);
    }
};

void BM_BuildFileLists(benchmark::State& state)
{
    static Passport p;
    for (auto _ : state) p.lists->BuildFileLists();
    state.counters["slots"] = p.lists->Files1.recordCount() + p.lists->Files2.recordCount() + p.lists->Files3.recordCount();
}

} // namespace

BENCHMARK(BM_BuildFileLists)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
