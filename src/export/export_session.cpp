#include "export/export_session.h"

#include "base/error.h"
#include "base/file_errors.h"
#include "export/flat_ods.h"
#include "export/sheet_document.h"
#include "export/workbook_check.h"
#include "export/written_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace talvena {

namespace {

constexpr int kQuotedOutput = 2000;

QString fileText(const QString& path) { return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(path)); }

// Why a temporary folder could not be made, in Russian whatever the system's wording.
std::string folderFailure(const QTemporaryDir& dir)
{
    const QString reason = systemTextReason(dir.errorString());
    return (reason.isEmpty() ? QStringLiteral("Неизвестная ошибка файла.") : reason).toStdString();
}

} // namespace

ExportSession::ExportSession(ExportSessionOptions options)
    : options_(std::move(options)), program_(options_.libreOffice.isEmpty() ? FindLibreOffice() : options_.libreOffice)
{
}

ExportSession::~ExportSession() = default; // the temporary folder removes itself and what waited in it

QString ExportSession::temporaryFolder()
{
    if (!temp_) {
        temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/talvena-export-XXXXXX"));
        if (!temp_->isValid()) {
            const std::string reason = folderFailure(*temp_);
            temp_.reset();
            throw Error(formatMessage("Не удалось создать временную папку для LibreOffice: %s", {reason}));
        }
    }
    return temp_->path();
}

void ExportSession::queueCalcDocument(const SheetDocument& document, const QString& targetPath, const QString& filterName)
{
    if (filterName != kCalcExcelFilter)
        throw Error(formatMessage("Фильтр LibreOffice \"%s\" не поддерживается.", {filterName.toStdString()}));
    const QString target = QFileInfo(targetPath).absoluteFilePath();
    const QString source = QStringLiteral("%1/table%2.fods").arg(temporaryFolder()).arg(nextNumber_, 4, 10, QChar(u'0'));
    WriteWholeFile(source, BuildFlatOds(document));
    ++nextNumber_;
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->targetPath == target) {
            QFile::remove(it->source);
            pending_.erase(it);
            break;
        }
    }
    pending_.push_back({source, target});
}

void ExportSession::finish()
{
    if (pending_.empty()) return;
    const std::vector<Pending> batch = std::move(pending_);
    pending_.clear();
    struct RemoveSources {
        const std::vector<Pending>& batch;
        ~RemoveSources()
        {
            for (const Pending& p : batch) QFile::remove(p.source);
        }
    } removeSources{batch};

    if (program_.isEmpty())
        throw Error(kLibreOfficeMissingMessage);
    const QString folder = temporaryFolder();
    QTemporaryDir output(folder + QStringLiteral("/converted-XXXXXX"));
    if (!output.isValid())
        throw Error(formatMessage("Не удалось создать временную папку для LibreOffice: %s",
                                  {folderFailure(output)}));

    LibreOfficeConversion run;
    run.program = program_;
    run.profileFolder = folder + QStringLiteral("/profile");
    run.outputFolder = output.path();
    run.targetFilter = QStringLiteral("xls:") + kCalcExcelFilter;
    for (const Pending& p : batch) run.sources << p.source;
    run.timeout = options_.conversionTimeout;
    run.whileWaiting = options_.whileConverting;
    ++starts_;
    const QString printed = RunLibreOfficeConversion(run);

    // Every converted file is read back as a complete workbook before any target is touched:
    // LibreOffice ends with 0 even when a full disk cut its output short, and one bad file
    // means nothing of this run replaces what stood there.
    QStringList problems;
    bool notConverted = false;
    std::vector<QByteArray> converted;
    for (const Pending& p : batch) {
        QFile file(output.path() + u'/' + QFileInfo(p.source).completeBaseName() + QStringLiteral(".xls"));
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
        if (bytes.isEmpty()) {
            problems << QStringLiteral("LibreOffice не создал файл %1.").arg(fileText(p.targetPath));
            notConverted = true;
        } else if (const QString defect = WorkbookDefect(bytes); !defect.isEmpty()) {
            problems << QStringLiteral("LibreOffice записал файл %1 не полностью (%2).").arg(fileText(p.targetPath), defect);
            notConverted = true;
        }
        converted.push_back(bytes);
    }
    if (problems.isEmpty()) {
        for (size_t i = 0; i < batch.size(); ++i) {
            try {
                WriteWholeFile(batch[i].targetPath, converted[i]);
            } catch (const Error& e) {
                problems << QString::fromStdString(e.what());
            }
        }
    } else {
        problems << QStringLiteral("Ни один файл таблиц не заменён.");
    }
    if (problems.isEmpty()) return;
    QString message = problems.join(u'\n');
    const QString quoted = printed.trimmed().right(kQuotedOutput);
    if (notConverted && !quoted.isEmpty()) message += QStringLiteral("\nВывод LibreOffice:\n") + quoted;
    throw Error(message.toStdString());
}

} // namespace talvena
