#pragma once
// One export run as far as the spreadsheet programs are concerned. The built-in workbook writer
// needs nothing from it; for LibreOffice Calc it collects the documents saved during the export
// and converts them all in one start of LibreOffice when the export finishes, instead of starting
// the program for every file.
#include "export/libreoffice.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace talvena {

class SheetDocument;

// The store filter that LibreOffice Calc saves the documents with.
inline const QString kCalcExcelFilter = QStringLiteral("MS Excel 97");

inline constexpr const char* kLibreOfficeMissingMessage =
    "LibreOffice не найден: программа soffice или libreoffice должна быть доступна через PATH.";

struct ExportSessionOptions {
    // The LibreOffice program; empty: the one found on PATH (FindLibreOffice).
    QString libreOffice;
    // The longest LibreOffice may take to convert the documents of one export.
    std::chrono::milliseconds conversionTimeout{std::chrono::minutes(10)};
    // Called about every 100 ms while LibreOffice runs, for example to keep a window painted.
    std::function<void()> whileConverting;
};

class ExportSession {
public:
    explicit ExportSession(ExportSessionOptions options = {});
    // Documents still waiting are dropped without starting LibreOffice (the export failed before
    // its end); the temporary files go with them.
    ~ExportSession();
    ExportSession(const ExportSession&) = delete;
    ExportSession& operator=(const ExportSession&) = delete;

    bool libreOfficeAvailable() const { return !program_.isEmpty(); }
    const QString& libreOfficeProgram() const { return program_; }

    // Takes a copy of the document as it is now, to be stored at `targetPath` with `filterName`
    // (only kCalcExcelFilter is known) when the session finishes. A later document for the same
    // path replaces the earlier one. Throws when the copy cannot be written to the temporary
    // folder or the filter is unknown.
    void queueCalcDocument(const SheetDocument& document, const QString& targetPath, const QString& filterName);
    int pendingDocuments() const { return static_cast<int>(pending_.size()); }

    // Converts every waiting document in one run of LibreOffice and puts each at exactly its path
    // (written beside it and renamed over it, so a failure leaves no half file). Without waiting
    // documents LibreOffice is not started. Every converted file must read back as a complete
    // workbook before any is placed: when one was not converted or is incomplete, nothing is
    // replaced. A target that cannot be written does not stop the others. One Error lists
    // everything that failed: LibreOffice missing, not starting, timing out or failing, a document
    // it did not convert or wrote incompletely, a file that could not be written.
    // The waiting list is empty afterwards, whatever happened.
    void finish();

    // How often this session has started LibreOffice.
    int libreOfficeStarts() const { return starts_; }

private:
    struct Pending {
        QString source;     // the flat document in the temporary folder
        QString targetPath; // absolute
    };

    QString temporaryFolder();

    ExportSessionOptions options_;
    QString program_;
    std::unique_ptr<QTemporaryDir> temp_;
    std::vector<Pending> pending_;
    int nextNumber_ = 1;
    int starts_ = 0;
};

} // namespace talvena
