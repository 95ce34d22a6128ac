#include "export/unpacked_passport.h"

#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "base/file_errors.h"
#include "export/cell_texts.h"
#include "export/export_layouts.h"
#include "export/table_writer.h"
#include "export/unpacked_names.h"
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "model/grid_decl.h"
#include "model/resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <array>

namespace talvena {

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }
QString text(const QByteArray& cp1251) { return cp1251ToUnicode(cp1251); }

// A folder that holds attachments: what this export has written into it and the description
// lines written so far.
struct AttachmentFolder {
    QString path;
    DistinctFileNames names{{kDescriptionFile}};
    QByteArray descriptions;
    QString unusable; // why nothing can be written into the folder; empty when it can
};

bool inside(const QString& path, const QString& root)
{
    return path == root || path.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

// Makes the folder (one that exists already stays) and returns why it cannot be written into:
// it could not be made, or it is a symbolic link that leads outside the chosen folder, which is
// never written through.
QString makeFolder(const QString& path, const QString& root)
{
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QFileInfo info(path);
    if (info.isSymLink() && !inside(info.canonicalFilePath(), canonicalRoot) ) {
        return QStringLiteral("Папка \"%1\" является ссылкой за пределы папки \"%2\": в неё ничего не записано.")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(root));
    }
    QDir().mkpath(path);
    if (!QFileInfo(path).isDir())
        return QString::fromStdString(formatMessage("Не удалось создать папку \"%s\".", {QDir::toNativeSeparators(path).toStdString()}));
    if (!inside(QFileInfo(path).canonicalFilePath(), canonicalRoot))
        return QStringLiteral("Папка \"%1\" является ссылкой за пределы папки \"%2\": в неё ничего не записано.")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(root));
    return {};
}

QString messageOf(const std::exception& e)
{
    QString message = QString::fromUtf8(e.what());
    if (const auto* file = dynamic_cast<const FileError*>(&e); file && !file->reason().isEmpty() &&
                                                               !message.contains(file->reason()))
        message += QStringLiteral(" (") + file->reason() + u')';
    return message;
}

// Description files of an earlier export go first: this one writes its own lines.
void removeDescriptionFile(const QString& folder)
{
    QFile file(QDir(folder).filePath(kDescriptionFile));
    if (!QFileInfo(file.fileName()).exists() && !QFileInfo(file.fileName()).isSymLink()) return;
    if (!file.remove())
        throw FileError(formatMessage("Не удалось удалить файл \"%s\". %s",
                                      {file.fileName().toStdString(), fileErrorReason(file).toStdString()}),
                        file.fileName(), fileErrorReason(file));
}

class Export {
public:
    Export(TDataModule2& dm, ExportSession& session, const UnpackedPassportOptions& options, const GeologyTotals& totals)
        : dm_(dm), session_(session), options_(options), totals_(totals), writer_(options.program, session)
    {
    }

    UnpackedPassportResult run(const QByteArray& objectName)
    {
        QDir().mkpath(options_.directory);
        result_.folder = QDir(options_.directory).filePath(PassportFolderName(objectName));
        const QDir folder(result_.folder);
        // Everything that can be written is: a folder that cannot be made (or leads outside)
        // fails what goes into it, and the failures are told together at the end.
        const QString passportFolder = makeFolder(result_.folder, options_.directory);
        if (!passportFolder.isEmpty()) failed(result_.folder, passportFolder);
        auto sub = [&](const QString& name) {
            if (!passportFolder.isEmpty()) return passportFolder;
            const QString why = makeFolder(folder.filePath(name), options_.directory);
            if (!why.isEmpty()) failed(folder.filePath(name), why);
            return why;
        };
        const QString tablesFolder = sub(kTablesFolder);
        places_[0] = {result_.folder, DistinctFileNames{{kDescriptionFile}}, {}, passportFolder};
        places_[1] = {folder.filePath(kDocumentsFolder), DistinctFileNames{{kDescriptionFile}}, {}, sub(kDocumentsFolder)};
        places_[2] = {folder.filePath(kGraphicsFolder), DistinctFileNames{{kDescriptionFile}}, {}, sub(kGraphicsFolder)};
        for (const AttachmentFolder& place : places_) {
            if (!place.unusable.isEmpty()) continue;
            try {
                removeDescriptionFile(place.path);
            } catch (const std::exception& e) {
                failed(QDir(place.path).filePath(kDescriptionFile), messageOf(e));
            }
        }

        QStringList tables;
        if (tablesFolder.isEmpty()) {
            for (const ExportTableDecl& table : ExportTables()) {
                const QString path = folder.filePath(kTablesFolder + u'/' + u(table.fileName));
                try {
                    writeTable(table, path);
                    tables << path;
                    if (options_.program == PreferredProgram::Excel) told(path);
                } catch (const std::exception& e) {
                    failed(path, messageOf(e));
                }
                between();
            }
        }
        // LibreOffice converts every table of the export in one run.
        try {
            session_.finish();
            if (options_.program != PreferredProgram::Excel)
                for (const QString& path : tables) told(path);
        } catch (const std::exception& e) {
            failed(folder.filePath(kTablesFolder), messageOf(e));
        }
        writeAttachments();
        return result_;
    }

private:
    void failed(const QString& path, const QString& message) { result_.failed.push_back({path, message}); }
    void told(const QString& path)
    {
        if (options_.written) options_.written(path);
    }
    void between()
    {
        if (options_.betweenFiles) options_.betweenFiles();
    }

    void writeTable(const ExportTableDecl& table, const QString& path)
    {
        writer_.BeginTable(path);
        if (table.widthA > 0) {
            writer_.SetWidth(1, table.widthA);
            writer_.SetWidth(2, table.widthB);
        }
        writer_.PutCell(1, 1, true, u(table.title));
        writer_.row = 2;
        switch (table.kind) {
        case ExportTableKind::Parameters: writeParameters(table); break;
        case ExportTableKind::List: writeList(table); break;
        case ExportTableKind::Contours: writeContours(); break;
        case ExportTableKind::TitleOnly: break;
        }
        writer_.EndTable();
    }

    void writeParameters(const ExportTableDecl& table)
    {
        writer_.PutPair(u("Наименование позиции"), u("Параметр"), true, true);
        for (const ParameterRow& row : table.rows) {
            const bool item = row.value != ParameterValue::Section;
            writer_.PutPair(u(ParameterLabel(row)), text(ParameterValueText(row, dm_, totals_)), item, false);
        }
    }

    void writeList(const ExportTableDecl& table)
    {
        const ListSource source = FindListSource(table, dm_, options_.layouts);
        writer_.PutGrid(source.table, source.grid, source.columns);
    }

    // Each productive horizon in turn becomes current, so the contour table shows its points and
    // their coordinates read in its coordinate type.
    void writeContours()
    {
        RecordTable& horizons = dm_.POSIB_PRODUCT_HOR;
        RecordTable& points = dm_.KONTUR;
        const Field& name = horizons.fieldByName("STRATIGRSVIT");
        const Field& type = horizons.fieldByName("_KONTURKOORDTYPE");
        Field& x = points.fieldByName("X");
        Field& y = points.fieldByName("Y");
        const QString horizonHeading = u("Возможный продуктивный горизонт: ");
        const QString typeHeading = u("   Тип координат контура:");
        for (horizons.first(); !horizons.eof(); horizons.next()) {
            writer_.PutCell(1, writer_.row++, true, horizonHeading + text(name.asString()) + typeHeading + text(type.asString()));
            writer_.PutCell(1, writer_.row, true, u("Долгота"));
            writer_.PutCell(2, writer_.row++, true, u("Широта"));
            for (int position = 0; position < points.visibleCount(); ++position) {
                writer_.PutCell(1, writer_.row, false, text(points.textAt(position, x, true)));
                writer_.PutCell(2, writer_.row++, false, text(points.textAt(position, y, true)));
            }
        }
    }

    AttachmentFolder& placeOf(const QByteArray& storedName)
    {
        switch (AttachmentPlaceOf(storedName)) {
        case AttachmentPlace::PassportFolder: return places_[0];
        case AttachmentPlace::Documents: return places_[1];
        case AttachmentPlace::Graphics: break;
        }
        return places_[2];
    }

    void writeAttachments()
    {
        RecordTable& files = dm_.FILES;
        const Field& name = files.fieldByName("NAME");
        const Field& content = files.fieldByName("CONTENT");
        const Field& description = files.fieldByName("DESCRIPTION");
        for (int position = 0; position < files.recordCount(); ++position) {
            files.moveTo(position);
            const QByteArray storedName = name.asString();
            AttachmentFolder& place = placeOf(storedName);
            // The stored name as a plain file name; names that come out alike are numbered
            // rather than written over each other.
            const QString fileName = place.names.take(PlainFileName(storedName));
            const QString target = QDir(place.path).filePath(fileName);
            if (!place.unusable.isEmpty()) {
                failed(target, place.unusable);
                between();
                continue;
            }
            try {
                if (content.isNull()) WriteFileAtomically(target, {}, AtomicFile::LinkPolicy::ReplaceLink);
                else if (WriteAttachmentOut(files, target, AtomicFile::LinkPolicy::ReplaceLink) == WriteOutResult::Damaged)
                    result_.damaged << target;
                told(target);
            } catch (const std::exception& e) {
                failed(target, messageOf(e));
                between();
                continue;
            }

            const QByteArray comment = description.asString();
            if (!comment.isEmpty()) {
                // The whole file each time: a failed write leaves the lines written before.
                const bool first = place.descriptions.isEmpty();
                place.descriptions += DescriptionLine(unicodeToCp1251(fileName), comment);
                const QString descriptionFile = QDir(place.path).filePath(kDescriptionFile);
                try {
                    WriteFileAtomically(descriptionFile, place.descriptions, AtomicFile::LinkPolicy::ReplaceLink);
                    if (first) told(descriptionFile);
                } catch (const std::exception& e) {
                    failed(descriptionFile, messageOf(e));
                }
            }
            between();
        }
    }

    TDataModule2& dm_;
    ExportSession& session_;
    const UnpackedPassportOptions& options_;
    const GeologyTotals& totals_;
    TableWriter writer_;
    std::array<AttachmentFolder, 3> places_;
    UnpackedPassportResult result_;
};

} // namespace

QByteArray ExportObjectName(TDataModule2& dm) { return dm.PASPORTS.fieldByName("OBJECTNAME").asString().trimmed(); }

UnpackedPassportResult WriteUnpackedPassport(TDataModule2& dm, ExportSession& session,
                                             const UnpackedPassportOptions& options)
{
    dm.CommitPendingEdits();
    const GeologyTotals totals = ComputeGeologyTotals(dm.POSIB_PRODUCT_HOR, dm.REFLECT_HORIZONTS);
    const QByteArray objectName = ExportObjectName(dm);
    if (objectName.isEmpty()) throw Error(kNoObjectNameMessage);
    // Without LibreOffice the built-in writer takes over, as the spreadsheet layer does when the
    // chosen program cannot be started; the user hears of it first.
    UnpackedPassportOptions effective = options;
    if (options.program == PreferredProgram::Calc && !session.libreOfficeAvailable()) {
        if (options.notice) options.notice(QString::fromUtf8(kSpreadsheetCreateFailedMessage));
        effective.program = PreferredProgram::Excel;
    }
    return Export(dm, session, effective, totals).run(objectName);
}

} // namespace talvena
