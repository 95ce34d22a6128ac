#pragma once
// Bringing a catalogue up to date with the passport files under some folders: new and changed
// files are loaded with the model and written, files whose content is unchanged are only
// touched, vanished ones are removed. Writes go in transactions of a few hundred passports, so
// an interrupted run leaves the catalogue as the last completed transaction left it and the next
// run carries on from there.
#include <QString>
#include <QStringList>

#include <functional>

namespace talvena::catalogue {

struct IndexProgress {
    int done = 0;  // files looked at so far
    int total = 0; // files found
    QString path;  // the file being looked at
};

struct IndexReport {
    int found = 0;     // passport files under the folders
    int added = 0;
    int changed = 0;
    int unchanged = 0;
    int removed = 0;
    QStringList errors; // "<path>: <message>" of each file that did not load
    bool cancelled = false;
};

// `progress` is called before each file; returning false cancels the run after the last
// completed transaction. Throws a Russian message when the catalogue cannot be opened or
// written, or a folder is missing.
IndexReport IndexPassports(const QString& target, const QStringList& folders, const QString& dictionaryFolder,
                           const std::function<bool(const IndexProgress&)>& progress = {});

// The default catalogue of a folder: "catalogue.gpkg" in it.
QString DefaultCatalogue(const QString& folder);

} // namespace talvena::catalogue
