// The 15 tables of an unpacked passport with 50 productive horizons of 1,000 contour points each
// (the contour table: about 50,000 rows of 4 columns), written through TopofCalc with the
// built-in Excel 97 writer and, for comparison, through LibreOffice Calc in one run.
#include "export/spreadsheet.h"
#include "export/xls_workbook.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <stdexcept>

using namespace talvena;

namespace {

constexpr int kHorizons = 50;
constexpr int kPointsPerHorizon = 1'000;

QString apostrophe(const QString& text) { return QStringLiteral("'") + text; }

QString coordinate(int degrees, int i)
{
    return QStringLiteral("%1°%2'%3\"").arg(degrees + i % 7).arg(i % 60, 2, 10, QChar(u'0')).arg((i * 37 % 6000) / 100.0, 0, 'f', 2);
}

void titleAndWidths(TopofCalc& calc, int table, bool widths)
{
    if (widths) {
        calc.SetColumnWidth(1, 10000);
        calc.SetColumnWidth(2, 5000);
    }
    calc.WriteCell(1, 1, apostrophe(QStringLiteral("Таблица %1. \"Название таблицы\"").arg(table)));
    calc.BoldCell(1, 1);
}

void parameterTable(TopofCalc& calc, int table)
{
    titleAndWidths(calc, table, true);
    calc.WriteCell(2, 1, apostrophe("Наименование позиции"));
    calc.BoldCell(2, 1);
    calc.WriteCell(2, 2, apostrophe("Параметр"));
    calc.BoldCell(2, 2);
    for (int row = 3; row <= 36; ++row) {
        calc.WriteCell(row, 1, apostrophe(QStringLiteral("Наименование параметра номер %1").arg(row)));
        calc.BoldCell(row, 1);
        calc.WriteCell(row, 2, apostrophe(QString::number(row * 12.345, 'f', 3)));
    }
}

void listTable(TopofCalc& calc, int table, int columns)
{
    titleAndWidths(calc, table, false);
    for (int c = 1; c <= columns; ++c) {
        calc.WriteCell(2, c, apostrophe(QStringLiteral("Заголовок столбца %1 (ед.)").arg(c)));
        calc.BoldCell(2, c);
    }
    for (int h = 0; h < kHorizons; ++h)
        for (int c = 1; c <= columns; ++c)
            calc.WriteCell(3 + h, c, apostrophe(c == 1 ? QStringLiteral("Горизонт Ю%1").arg(h) : QString::number(h * 1.5 + c, 'f', 3)));
}

void contourTable(TopofCalc& calc)
{
    titleAndWidths(calc, 11, false);
    int row = 2;
    for (int h = 0; h < kHorizons; ++h) {
        calc.WriteCell(row, 1, apostrophe(QStringLiteral("Возможный продуктивный горизонт: Ю%1   Тип координат контура:Градусы").arg(h)));
        calc.BoldCell(row++, 1);
        for (int c = 1; c <= 4; ++c) {
            calc.WriteCell(row, c, apostrophe(c % 2 ? "Долгота" : "Широта"));
            calc.BoldCell(row, c);
        }
        ++row;
        for (int p = 0; p < kPointsPerHorizon; ++p, ++row)
            for (int c = 1; c <= 4; ++c) calc.WriteCell(row, c, apostrophe(coordinate(c % 2 ? 65 : 58, h * kPointsPerHorizon + p + c)));
    }
}

void writeAllTables(PreferredProgram program, ExportSession& session, const QString& folder)
{
    static const int kListColumns[] = {13, 11, 14, 12, 25, 12, 24, 6, 12};
    for (int table = 1; table <= 15; ++table) {
        TopofCalc calc(program, false, session);
        if (table <= 4) parameterTable(calc, table);
        else if (table <= 13) listTable(calc, table, kListColumns[table - 5]);
        else if (table == 14) contourTable(calc);
        else titleAndWidths(calc, 12, true);
        calc.SaveDocument(QStringLiteral("%1/Таблица %2.xls").arg(folder).arg(table));
    }
    session.finish();
}

void BM_BuiltInWriter_15Tables(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        ExportSession session;
        writeAllTables(PreferredProgram::Excel, session, dir.path());
    }
}
BENCHMARK(BM_BuiltInWriter_15Tables)->Unit(benchmark::kMillisecond);

void BM_BuiltInWriter_ContourTableOnly(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        ExportSession session;
        TopofCalc calc(PreferredProgram::Excel, false, session);
        contourTable(calc);
        calc.SaveDocument(dir.filePath("contours.xls"));
    }
}
BENCHMARK(BM_BuiltInWriter_ContourTableOnly)->Unit(benchmark::kMillisecond);

// The encoding alone: the filled contour document to .xls bytes.
void BM_XlsEncode_ContourTable(benchmark::State& state)
{
    ExportSession session;
    TopofCalc calc(PreferredProgram::Excel, false, session);
    contourTable(calc);
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
