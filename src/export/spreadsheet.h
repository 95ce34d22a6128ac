#pragma once
// TopofCalc: one spreadsheet file written through one of two programs behind the same small set
// of operations (create a document, write cell texts, make cells bold, set column widths, save,
// close).
//
// - "Microsoft Excel" is the built-in Excel 97 workbook writer (xls_workbook.h): always there;
//   column widths are width / 100 characters; SaveDocument writes the file at once.
// - "OpenOffice Calc" is LibreOffice Calc, run headless by the export session: column widths are
//   width / 100 millimetres; SaveDocument hands the document to the session, and the file appears
//   at its path when the session finishes, all files of the export converted in one LibreOffice
//   run with the filter "MS Excel 97".
//
// How an export drives it:
//
//   ExportSession session;                               // one per export
//   for every table:
//     TopofCalc calc(PreferredProgram::Excel, false, session);   // or ::Calc: the user's choice
//     calc.SetColumnWidth(1, 10000);                     // 100 characters (Excel) / 100 mm (Calc)
//     calc.WriteCell(1, 1, "'" + title);                 // the apostrophe keeps the text literal
//     calc.BoldCell(1, 1);
//     ...
//     calc.SaveDocument(path);                           // then let calc go
//   session.finish();                                    // LibreOffice runs here, if it was chosen
//
// Where errors surface (all are talvena::Error with the text the user is shown):
// - SaveDocument with Excel: the file error, "Cannot create file "%s". %s" or "Stream write error";
//   the target is then untouched and no half file is left.
// - SaveDocument with Calc: only a failure to keep the document for later (temporary folder).
// - ExportSession::finish: LibreOffice missing, failing, timing out, a file it did not convert or
//   that could not be placed; nothing of this is ever reported as success.
// - WriteCell / BoldCell outside an Excel 97 sheet (65536 rows, 256 columns).
#include "export/export_session.h"
#include "export/sheet_document.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace talvena {

// No spreadsheet program could be started.
inline constexpr const char* kSpreadsheetCreateFailedMessage = "TopofCalc.create failed, may be no OpenOffice is installed?";

enum class SpreadsheetProgram { None, Excel, Calc };
enum class PreferredProgram { Excel, Calc, Either };

// A named value of a LibreOffice call (its com.sun.star.beans.PropertyValue).
struct PropertyValue {
    QString name;
    QVariant value;
};

// "file:///" + the path with "\" turned into "/", unless the path already starts with
// "file:///" in any letter case. An absolute POSIX path, which carries its own leading slash,
// gets "file://" so that it does not end up with four. Nothing is percent-encoded.
QString PathToFileUrl(const QString& path);

class TopofCalc {
public:
    // Starts the preferred program, else the other one (Either: Calc first), and creates a new
    // document. The workbook writer always starts; Calc starts when the session has LibreOffice.
    // `visible` is kept but shows nothing: there is no program window.
    TopofCalc(PreferredProgram preferred, bool visible, ExportSession& session);
    ~TopofCalc(); // CloseDocument, then CloseProgram
    TopofCalc(const TopofCalc&) = delete;
    TopofCalc& operator=(const TopofCalc&) = delete;

    SpreadsheetProgram programKind() const { return kind_; }
    bool UsesExcel() const { return kind_ == SpreadsheetProgram::Excel; }
    bool UsesCalc() const { return kind_ == SpreadsheetProgram::Calc; }
    bool HasProgram() const { return kind_ != SpreadsheetProgram::None; }
    bool HasDocument() const { return document_ != nullptr; }
    bool visible() const { return visible_; }
    // The name the document was last saved under.
    const QString& fileName() const { return fileName_; }
    // The open document (nullptr when none): what the next SaveDocument stores.
    const SheetDocument* document() const { return document_.get(); }

    // A new empty document in place of the open one. Throws "No program loaded for the new
    // document." without a program.
    void CreateDocument();
    void CloseDocument();
    // Closes the document and lets the program go; the kind becomes None.
    void CloseProgram();
    // False without a document; else stores it (see the top of this file) and returns true.
    bool SaveDocument(const QString& fileName);
    // The document has one sheet: false without a document, true for sheet 1, an error otherwise.
    bool SelectSheet(int n);

    // Row and column are 1-based. Without a document these do nothing.
    // The text goes in as a spreadsheet takes typed input (InterpretFormulaText): "'" + text
    // gives the literal text, a plain number a number, "" clears the cell, formulas stay text.
    void WriteCell(int row, int column, const QString& text);
    void BoldCell(int row, int column);
    // Width in hundredths of characters (Excel) or of millimetres (Calc).
    void SetColumnWidth(int column, int width);

    // Throws "ooValue imposible to create, load OpenOffice first!" unless the program is Calc.
    PropertyValue MakePropertyValue(const QString& name, const QVariant& value) const;

private:
    ExportSession& session_;
    SpreadsheetProgram kind_ = SpreadsheetProgram::None;
    std::unique_ptr<SheetDocument> document_;
    QString fileName_;
    bool visible_ = false;
};

} // namespace talvena
