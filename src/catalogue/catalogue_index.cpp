#include "catalogue/catalogue_index.h"

#include "base/error.h"
#include "catalogue/catalogue_store.h"
#include "catalogue/passport_files.h"
#include "catalogue/passport_summary.h"
#include "model/data_module.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <set>

namespace talvena::catalogue {

namespace {

// Passports written per transaction, and its longest time: few enough that an interruption
// loses little, many enough that committing costs little.
constexpr int kBatch = 250;
constexpr qint64 kBatchMs = 1000;

bool under(const QString& path, const QStringList& folders)
{
    for (const QString& f : folders)
        if (path.startsWith(f + '/')) return true;
    return false;
}

// A file another run may have indexed after this one looked: kept while it is a passport.
bool stillPassport(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && LooksLikePassport(f.read(16));
}

} // namespace

QString DefaultCatalogue(const QString& folder) { return QDir(folder).absoluteFilePath(QStringLiteral("catalogue.gpkg")); }

IndexReport IndexPassports(const QString& target, const QStringList& folders, const QString& dictionaryFolder,
                           const std::function<bool(const IndexProgress&)>& progress)
{
    IndexReport report;
    QStringList roots;
    for (const QString& f : folders) roots << QDir::cleanPath(QFileInfo(f).absoluteFilePath());
    CatalogueStore store(target, true);
    const std::map<QString, KnownFile> known = store.knownFiles();
    const QString ownFile = CatalogueStore::IsServer(target) ? QString() : QDir::cleanPath(QFileInfo(target).absoluteFilePath());

    const auto unchanged = [&](const FoundFile& f) {
        auto it = known.find(f.path);
        return it != known.end() && it->second.size == f.size && it->second.modifiedMs == f.modifiedMs;
    };
    std::vector<FoundFile> files = FindPassportFiles(roots, [&](const FoundFile& f) { return !unchanged(f); });
    std::set<QString> seen;
    std::erase_if(files, [&](const FoundFile& f) { return f.path == ownFile || !seen.insert(f.path).second; });
    report.found = static_cast<int>(files.size());

    TDataModule2 module;
    module.DataModuleCreate(dictionaryFolder);
    PassportSummarizer summarizer(module);

    bool open = false;
    int inBatch = 0;
    QElapsedTimer batchTime;
    const auto beginIfNeeded = [&] {
        if (!open) store.begin(), open = true, inBatch = 0, batchTime.start();
    };
    const auto commitIfFull = [&](bool force) {
        if (open && (force || inBatch >= kBatch || batchTime.elapsed() >= kBatchMs)) store.commit(), open = false;
    };
    try {
        int done = 0;
        for (const FoundFile& f : files) {
            if (progress && !progress({done, report.found, f.path})) {
                report.cancelled = true;
                break;
            }
            ++done;
            if (unchanged(f)) {
                ++report.unchanged;
                continue;
            }
            FileFacts facts{f.path, f.size, f.modifiedMs, {}};
            QFile in(f.path);
            QByteArray bytes;
            QString error;
            if (!in.open(QIODevice::ReadOnly)) error = QStringLiteral("Файл не открывается: %1").arg(in.errorString());
            else bytes = in.readAll();
            if (error.isEmpty()) facts.sha256 = Sha256Hex(bytes);
            const auto k = known.find(f.path);
            beginIfNeeded();
            ++inBatch;
            if (k != known.end() && !facts.sha256.isEmpty() && k->second.sha256 == facts.sha256) {
                // Only the time changed (a copy, a touch): nothing to load again.
                store.touchPassport(f.path, f.size, f.modifiedMs);
                ++report.unchanged;
                commitIfFull(false);
                continue;
            }
            std::optional<PassportSummary> summary;
            if (error.isEmpty()) {
                try {
                    // Without a question a damaged file fails with the description of its damage,
                    // as the window's refusal would.
                    module.LoadPassportBytes(bytes, f.path);
                    summary = summarizer.summarize();
                } catch (const std::exception& e) {
                    error = QString::fromUtf8(e.what());
                }
            }
            bytes.clear();
            if (!error.isEmpty()) report.errors << f.path + QStringLiteral(": ") + error;
            store.putPassport(facts, summary ? &*summary : nullptr, error);
            ++(k == known.end() ? report.added : report.changed);
            commitIfFull(false);
        }
        commitIfFull(true);
        // Vanished files, then the duplicates among what is left, in one last transaction.
        store.begin(), open = true;
        if (!report.cancelled) {
            for (const auto& [path, file] : known) {
                if (seen.count(path) || !under(path, roots) || stillPassport(path)) continue;
                store.removePassport(path);
                ++report.removed;
            }
        }
        store.markDuplicates();
        commitIfFull(true);
    } catch (...) {
        if (open) store.rollback();
        throw;
    }
    return report;
}

} // namespace talvena::catalogue
