// The 15 tables of an unpacked passport with 50 productive horizons of 1,000 contour points each
// (the contour table: about 50,000 rows of 4 columns), written through TopofCalc with the
// built-in Excel 97 writer and, for comparison, through LibreOffice Calc in one run.
#include "export/spreadsheet.h"
#include "export/xls_workbook.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <vector>

using namespace talvena;

namespace {

constexpr int kHorizons = 50;
constexpr int kPointsPerHorizon = 1'000;

// What the export writer hands to TopofCalc for one table, its texts formatted beforehand: the
// benchmarks measure the spreadsheet layer, not the formatting of the passport's values.
struct Cell {
    int row, column;
    QString text;
    bool bold;
};
struct TableScript {
    bool widths = false;
    std::vector<Cell> cells;
};

QString apostrophe(const QString& text) { return QStringLiteral("'") + text; }

QString coordinate(int degrees, int i)
{
    return QStringLiteral("%1°%2'%3\"").arg(degrees + i % 7).arg(i % 60, 2, 10, QChar(u'0')).arg((i * 37 % 6000) / 100.0, 0, 'f', 2);
}

void title(TableScript& t, int table, bool widths)
{
    t.widths = widths;
    t.cells.push_back({1, 1, apostrophe(QStringLiteral("Таблица %1. \"Название таблицы\"").arg(table)), true});
}

TableScript parameterTable(int table)
{
    TableScript t;
    title(t, table, true);
    t.cells.push_back({2, 1, apostrophe("Наименование позиции"), true});
    t.cells.push_back({2, 2, apostrophe("Параметр"), true});
    for (int row = 3; row <= 36; ++row) {
        t.cells.push_back({row, 1, apostrophe(QStringLiteral("Наименование параметра номер %1").arg(row)), true});
        t.cells.push_back({row, 2, apostrophe(QString::number(row * 12.345, 'f', 3)), false});
    }
    return t;
}

TableScript listTable(int table, int columns)
{
    TableScript t;
    title(t, table, false);
    for (int c = 1; c <= columns; ++c) t.cells.push_back({2, c, apostrophe(QStringLiteral("Заголовок столбца %1 (ед.)").arg(c)), true});
    for (int h = 0; h < kHorizons; ++h)
        for (int c = 1; c <= columns; ++c)
            t.cells.push_back({3 + h, c, apostrophe(c == 1 ? QStringLiteral("Горизонт Ю%1").arg(h) : QString::number(h * 1.5 + c, 'f', 3)), false});
    return t;
}

TableScript contourTable()
{
    TableScript t;
    title(t, 11, false);
    int row = 2;
    for (int h = 0; h < kHorizons; ++h) {
        t.cells.push_back({row++, 1, apostrophe(QStringLiteral("Возможный продуктивный горизонт: Ю%1   Тип координат контура:Градусы").arg(h)), true});
        for (int c = 1; c <= 4; ++c) t.cells.push_back({row, c, apostrophe(c % 2 ? "Долгота" : "Широта"), true});
        ++row;
        for (int p = 0; p < kPointsPerHorizon; ++p, ++row)
            for (int c = 1; c <= 4; ++c) t.cells.push_back({row, c, apostrophe(coordinate(c % 2 ? 65 : 58, h * kPointsPerHorizon + p + c)), false});
    }
    return t;
}

const std::vector<TableScript>& allTables()
{
    static const std::vector<TableScript> tables = [] {
        static const int kListColumns[] = {13, 11, 14, 12, 25, 12, 24, 6, 12};
        std::vector<TableScript> t;
        for (int table = 1; table <= 4; ++table) t.push_back(parameterTable(table));
        for (int table = 5; table <= 13; ++table) t.push_back(listTable(table, kListColumns[table - 5]));
        t.push_back(contourTable());
        TableScript last;
        title(last, 12, true);
        t.push_back(last);
        return t;
    }();
    return tables;
}

void play(TopofCalc& calc, const TableScript& t)
{
    if (t.widths) {
        calc.SetColumnWidth(1, 10000);
        calc.SetColumnWidth(2, 5000);
    }
    for (const Cell& c : t.cells) {
        calc.WriteCell(c.row, c.column, c.text);
        if (c.bold) calc.BoldCell(c.row, c.column);
    }
}

void writeAllTables(PreferredProgram program, ExportSession& session, const QString& folder)
{
    int number = 1;
    for (const TableScript& t : allTables()) {
        TopofCalc calc(program, false, session);
        play(calc, t);
        calc.SaveDocument(QStringLiteral("%1/Таблица %2.xls").arg(folder).arg(number++));
    }
    session.finish();
}

void BM_BuiltInWriter_15Tables(benchmark::State& state)
{
    allTables();
    QTemporaryDir dir;
    for (auto _ : state) {
        ExportSession session;
        writeAllTables(PreferredProgram::Excel, session, dir.path());
    }
}
BENCHMARK(BM_BuiltInWriter_15Tables)->Unit(benchmark::kMillisecond);

void BM_BuiltInWriter_ContourTableOnly(benchmark::State& state)
{
    allTables();
    QTemporaryDir dir;
    for (auto _ : state) {
        ExportSession session;
        TopofCalc calc(PreferredProgram::Excel, false, session);
        play(calc, allTables()[13]);
        calc.SaveDocument(dir.filePath("contours.xls"));
    }
}
BENCHMARK(BM_BuiltInWriter_ContourTableOnly)->Unit(benchmark::kMillisecond);

// The encoding alone: the filled contour document to .xls bytes.
void BM_XlsEncode_ContourTable(benchmark::State& state)
{
    ExportSession session;
    TopofCalc calc(PreferredProgram::Excel, false, session);
    play(calc, allTables()[13]);
    for (auto _ : state) benchmark::DoNotOptimize(BuildXlsFile(*calc.document()));
}
BENCHMARK(BM_XlsEncode_ContourTable)->Unit(benchmark::kMillisecond);

// One export through LibreOffice, its start with a fresh private profile included.
void BM_LibreOffice_15Tables(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "bench_export";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (auto _ : state) {
        ExportSession session;
        if (!session.libreOfficeAvailable()) {
            state.SkipWithError("LibreOffice is not installed");
            return;
        }
        writeAllTables(PreferredProgram::Calc, session, dir.path());
    }
}
BENCHMARK(BM_LibreOffice_15Tables)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
