#pragma once
// A catalogue opened through GDAL/OGR: a GeoPackage file (one desk) or a PostgreSQL/PostGIS
// database named by a libpq URI "postgresql://…" (a department). Both hold the tables of
// catalogue_schema.h and are written and read by the same code: OGR layers for rows, plain SQL
// that SQLite and PostgreSQL both understand for deletions and the writers' lock.
#include "catalogue/catalogue_row.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <set>
#include <vector>

class GDALDataset;
class OGRLayer;

namespace talvena::catalogue {

struct PassportSummary;

// What the catalogue knows of a file, to tell whether it changed.
struct FileFacts {
    QString path;      // absolute
    qint64 size = 0;
    qint64 modifiedMs = 0; // since the epoch, UTC
    QString sha256;    // lower-case hexadecimal; empty when the file could not be read
};

struct KnownFile {
    qint64 id = 0;
    qint64 size = 0;
    qint64 modifiedMs = 0;
    QString sha256;
};

// One passport as find and totals see it.
struct ListedPassport {
    qint64 id = 0;
    QString path, objectName, region, method, error;
    QStringList regionNames; // every region name of the passport, for --region
    qint64 year = 0;         // of the end of preparation; 0 when not given
    double oil = 0, dissolvedGas = 0, gas = 0, condensate = 0;
    bool loaded = false;     // false for a file that did not load
};

struct Box {
    double lon1, lat1, lon2, lat2;
};

class CatalogueStore {
public:
    // Opens the catalogue; for writing, a missing GeoPackage file and missing tables are created
    // (on a server the PostGIS extension too, which needs the right to create it). Throws a
    // Russian message naming the catalogue when it cannot be opened.
    CatalogueStore(const QString& target, bool forWriting);
    ~CatalogueStore();
    CatalogueStore(const CatalogueStore&) = delete;
    CatalogueStore& operator=(const CatalogueStore&) = delete;

    static bool IsServer(const QString& target);
    // A connection URI as shown to people: the password left out.
    static QString DisplayName(const QString& target);

    std::map<QString, KnownFile> knownFiles();

    // A writing transaction. begin() waits until no other writer holds the catalogue; what is
    // written until commit() appears all at once or, after an interruption, not at all.
    void begin();
    void commit();
    void rollback();
    // Inside a transaction.
    void removePassport(const QString& path);
    // Replaces whatever the catalogue holds under the file's path; without a summary the file is
    // kept with its error only.
    void putPassport(const FileFacts& file, const PassportSummary* summary, const QString& error);
    // The content is unchanged: only the size and time are new.
    void touchPassport(const QString& path, qint64 size, qint64 modifiedMs);
    // Marks each loaded passport whose content an earlier path (in code-point order) already has.
    void markDuplicates();

    // Every passport that is not a duplicate of another.
    std::vector<ListedPassport> listPassports();
    // The passports with a contour inside or across the box (longitude/latitude, EPSG:4326).
    std::set<qint64> passportsInBox(const Box& box);
    // Each listed passport's contour rings (longitude/latitude), for a map.
    std::map<qint64, std::vector<std::vector<QPointF>>> contourRings(const std::set<qint64>& passports);

private:
    void open(bool forWriting);
    void createFile();
    void ensureSchema();
    void execute(const QByteArray& sql);
    qint64 scalar(const QByteArray& sql);
    OGRLayer* layer(const char* name);
    void insertRow(const char* table, qint64 fid, qint64 passportId, const CatalogueRow& row);
    [[noreturn]] void fail(const QString& what);

    QString target_;
    bool server_ = false;
    std::unique_ptr<GDALDataset> ds_;
    std::map<QByteArray, qint64> nextId_;
    bool inTransaction_ = false;
};

// The SQL text literal of a text: quotes doubled, so that any text stays text.
QByteArray SqlText(const QString& text);

} // namespace talvena::catalogue
