#include "export/table_writer.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "table/record_table.h"

namespace talvena {

TableWriter::TableWriter(PreferredProgram program, ExportSession& session) : program_(program), session_(session) {}

TableWriter::~TableWriter() = default;

void TableWriter::BeginTable(const QString& path)
{
    // The file is not deleted first: the save replaces it only once the new one is complete.
    path_ = path;
    calc_.reset();
    calc_ = std::make_unique<TopofCalc>(program_, false, session_);
    row = 1;
    column = 1;
}

void TableWriter::EndTable()
{
    if (!calc_) return;
    // Whatever the save does, the document and the program are let go.
    const std::unique_ptr<TopofCalc> calc = std::move(calc_);
    calc->SaveDocument(path_);
}

void TableWriter::PutCell(int column, int row, bool bold, const QString& text)
{
    if (text.isEmpty() || !calc_) return;
    calc_->WriteCell(row, column, QStringLiteral("'") + text);
    if (!bold) return;
    try {
        calc_->BoldCell(row, column);
    } catch (const Error&) {
    }
}

void TableWriter::PutPair(const QString& label, const QString& value, bool boldLabel, bool boldValue)
{
    PutCell(1, row, boldLabel, label);
    PutCell(2, row, boldValue, value);
    ++row;
}

void TableWriter::PutNext(const QString& text, bool bold)
{
    PutCell(column, row, bold, text);
    ++column;
}

void TableWriter::SetWidth(int column, int width)
{
    if (calc_) calc_->SetColumnWidth(column, width * 100);
}

void TableWriter::PutGrid(RecordTable& table, const GridDecl& grid, const std::vector<GridLayouts::Column>& columns)
{
    std::vector<Field*> fields;
    column = 1;
    for (const GridLayouts::Column& c : columns) {
        const GridColumnDecl& decl = grid.columns[static_cast<size_t>(c.declared)];
        fields.push_back(&table.fieldByName(decl.field));
        PutNext(QString::fromUtf8(decl.title), true);
    }
    ++row;
    for (int position = 0; position < table.visibleCount(); ++position) {
        const uint32_t stored = table.visibleRow(position);
        column = 1;
        for (Field* f : fields) PutNext(cp1251ToUnicode(f->defaultText(table.rowValue(stored, *f), false)), false);
        ++row;
    }
    column = 1;
}

} // namespace talvena
