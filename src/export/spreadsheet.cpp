#include "export/spreadsheet.h"

#include "base/error.h"
#include "export/written_file.h"
#include "export/xls_workbook.h"

namespace talvena {

QString PathToFileUrl(const QString& path)
{
    if (path.left(8).toLower() == QStringLiteral("file:///")) return path;
    QString url = path;
    url.replace(u'\\', u'/');
    return (url.startsWith(u'/') ? QStringLiteral("file://") : QStringLiteral("file:///")) + url;
}

TopofCalc::TopofCalc(PreferredProgram preferred, bool visible, ExportSession& session) : session_(session)
{
    const SpreadsheetProgram first = preferred == PreferredProgram::Excel ? SpreadsheetProgram::Excel : SpreadsheetProgram::Calc;
    const SpreadsheetProgram second = first == SpreadsheetProgram::Excel ? SpreadsheetProgram::Calc : SpreadsheetProgram::Excel;
    for (SpreadsheetProgram kind : {first, second}) {
        const bool started = kind == SpreadsheetProgram::Excel || session_.libreOfficeAvailable();
        if (started) {
            kind_ = kind;
            break;
        }
    }
    if (kind_ == SpreadsheetProgram::None) throw Error(kSpreadsheetCreateFailedMessage);
    visible_ = visible;
    CreateDocument();
}

TopofCalc::~TopofCalc()
{
    CloseDocument();
    CloseProgram();
}

void TopofCalc::CreateDocument()
{
    if (!HasProgram()) throw Error("No program loaded for the new document.");
    if (HasDocument()) CloseDocument();
    document_ = std::make_unique<SheetDocument>();
    if (UsesCalc()) SelectSheet(1);
}

void TopofCalc::CloseDocument() { document_.reset(); }

void TopofCalc::CloseProgram()
{
    if (HasDocument()) CloseDocument();
    kind_ = SpreadsheetProgram::None;
}

bool TopofCalc::SaveDocument(const QString& fileName)
{
    if (!HasDocument()) return false;
    fileName_ = fileName;
    if (UsesExcel()) {
        WriteWholeFile(fileName, BuildXlsFile(*document_));
    } else {
        const PropertyValue filter = MakePropertyValue(QStringLiteral("FilterName"), kCalcExcelFilter);
        session_.queueCalcDocument(*document_, fileName, filter.value.toString());
    }
    return true;
}

bool TopofCalc::SelectSheet(int n)
{
    if (!HasDocument()) return false;
    if (n != 1) throw Error(formatMessage("В документе нет листа %s.", {std::to_string(n)}));
    return true;
}

void TopofCalc::WriteCell(int row, int column, const QString& text)
{
    if (HasDocument()) document_->setFormula(row, column, text);
}

void TopofCalc::BoldCell(int row, int column)
{
    if (HasDocument()) document_->setBold(row, column);
}

void TopofCalc::SetColumnWidth(int column, int width)
{
    if (HasDocument()) document_->setColumnWidth(column, width);
}

PropertyValue TopofCalc::MakePropertyValue(const QString& name, const QVariant& value) const
{
    if (!UsesCalc()) throw Error("ooValue imposible to create, load OpenOffice first!");
    return {name, value};
}

} // namespace talvena
