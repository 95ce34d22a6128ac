// The printed passport read back by poppler (pdftotext, pdfinfo, pdffonts), an independent PDF
// reader: the text of every section in order, the pages, the fonts, the repeated title rows, the
// empty passport and a write that fails.
#include "base/cp1251.h"
#include "export/cell_texts.h"
#include "export/export_layouts.h"
#include "model/data_module.h"
#include "model/grid_decl.h"
#include "model/resource_simulation.h"
#include "model/resource_simulation_table.h"
#include "model/resources.h"
#include "report/passport_report.h"
#include "report/simulated_resources.h"
#include "support/qt_application.h"
#include "support/short_of_space.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvena {
namespace {

const bool registered = testsupport::RegisterApplication<QGuiApplication>("report_tests");

QString besideTests(const QString& name)
{
    return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath() + '/' + name;
}

QString runTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
    if (exitCode) *exitCode = p.exitCode();
    else EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text in content order, all white space as single blanks; one page or all.
QString pdfText(const QString& pdf, int page = 0)
{
    QStringList args{"-raw", "-enc", "UTF-8"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    return runTool("pdftotext", args << pdf << "-").simplified();
}

struct PdfInfo {
    int pages = 0;
    QStringList sizes; // "595 x 842" per page
};

PdfInfo pdfInfo(const QString& pdf)
{
    PdfInfo info;
    const QString out = runTool("pdfinfo", {"-f", "1", "-l", "100000", pdf});
    const QRegularExpression pages(R"(^Pages:\s+(\d+))", QRegularExpression::MultilineOption);
    info.pages = pages.match(out).captured(1).toInt();
    const QRegularExpression size(R"(^Page\s+\d+ size:\s+([\d.]+ x [\d.]+) pts)", QRegularExpression::MultilineOption);
    for (auto it = size.globalMatch(out); it.hasNext();) info.sizes << it.next().captured(1);
    return info;
}

QString withoutBlanks(QString text) { return text.remove(QRegularExpression(R"(\s+)")); }

// Finds each expected text after the previous one; the first that is missing, or "". Blanks do not
// count: a line may break after a "/" where the text had none.
std::string missingInOrder(const QString& pdfText, const QStringList& expected)
{
    const QString text = withoutBlanks(pdfText);
    qsizetype from = 0;
    for (const QString& e : expected) {
        const QString want = withoutBlanks(e);
        const qsizetype at = text.indexOf(want, from);
        if (at < 0) return want.toStdString() + "  (searched from: …" + text.mid(from, 200).toStdString() + ")";
        from = at + want.size();
    }
    return {};
}

struct ReportTest : ::testing::Test {
    QTemporaryDir dir;
    TDataModule2 dm;
    void SetUp() override { dm.DataModuleCreate(besideTests("")); }
    QString path(const QString& name) const { return dir.filePath(name); }
};

// The example passport through the command line: every section's title, every caption with its
// value (dictionary values by name, empty ones "—"), every grid title, the contour map's legend and
// the attachments with their comments, in the document's order; pages, sizes and fonts.
TEST_F(ReportTest, ExamplePassportReadsBackCompleteAndInOrder)
{
    const QString pdf = path("example.pdf");
    int code = -1;
    runTool(besideTests("talvena-psp"), {"report", TALVENA_EXAMPLE_PASSPORT, pdf}, &code);
    ASSERT_EQ(code, 0);

    dm.LoadPassport(TALVENA_EXAMPLE_PASSPORT);
    const GeologyTotals totals = ComputeGeologyTotals(dm.POSIB_PRODUCT_HOR, dm.REFLECT_HORIZONTS);
    const QString name = cp1251ToUnicode(dm.PASPORTS.fieldByName("OBJECTNAME").asString()).trimmed();
    QStringList expected{"ПАСПОРТ", name, "Дата печати:"};
    for (const ExportTableDecl& table : ExportTables()) {
        expected << QString::fromUtf8(table.title);
        for (const ParameterRow& row : table.rows) {
            // A row labelled by its field's caption prints that caption, never an empty cell.
            const QString label = QString::fromUtf8(ParameterLabel(row)).simplified();
            EXPECT_FALSE(label.isEmpty()) << table.title;
            expected << label;
            if (row.value == ParameterValue::Section) continue;
            const QString value = cp1251ToUnicode(ParameterValueText(row, dm, totals)).trimmed();
            expected << (value.isEmpty() ? QStringLiteral("—") : value);
        }
        if (table.kind == ExportTableKind::List)
            for (const GridColumnDecl& column : FindGrid(table.grid)->columns) expected << QString::fromUtf8(column.title);
        if (table.kind == ExportTableKind::Contours) expected << "Схема контуров ловушек" << "площадь" << "км²";
    }
    expected << "Приложения";
    const Field& comment = dm.FILES.fieldByName("DESCRIPTION");
    for (dm.FILES.first(); !dm.FILES.eof(); dm.FILES.next())
        if (!comment.asString().trimmed().isEmpty()) expected << cp1251ToUnicode(comment.asString());
    expected << "Рисунок 1.";

    const PdfInfo info = pdfInfo(pdf);
    ASSERT_GT(info.pages, 5);
    const QString text = pdfText(pdf);
    EXPECT_EQ(missingInOrder(text, expected), "");
    // Every page counts itself out of the whole, and carries the running header but the title page.
    for (int n = 1; n <= info.pages; ++n) {
        const QString page = pdfText(pdf, n);
        EXPECT_TRUE(page.contains(QStringLiteral("стр. %1 из %2").arg(n).arg(info.pages))) << n;
        if (n > 1) {
            EXPECT_TRUE(page.startsWith(QStringLiteral("Паспорт объекта ") + name)) << n;
        }
    }

    ASSERT_EQ(info.sizes.size(), info.pages);
    EXPECT_TRUE(info.sizes.contains("595 x 842")); // portrait A4
    EXPECT_TRUE(info.sizes.contains("842 x 595")); // the wide grids on landscape A4
    for (const QString& size : info.sizes) EXPECT_TRUE(size == "595 x 842" || size == "842 x 595") << size.toStdString();

    // Every font embedded, and the one the project installs.
    const QStringList fonts = runTool("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString& line : fonts) {
        const QStringList cells = line.split(' ', Qt::SkipEmptyParts);
        EXPECT_TRUE(cells[0].contains("DejaVu")) << line.toStdString();
        EXPECT_EQ(cells.at(cells.size() - 5), "yes") << "not embedded: " << line.toStdString();
    }
}

// With --simulate the resources section carries every horizon's and total's P90, P50 and P10 as the
// simulation of the same options states them, in the table's order and again on each total's
// exceedance chart; without it no such section is printed.
TEST_F(ReportTest, SimulatedResourcesPrintedOnlyWhenAskedFor)
{
    const QString withRun = path("simulated.pdf"), without = path("plain.pdf");
    const QStringList options{"--trials", "3000", "--seed", "7", "--distribution", "triangular"};
    int code = -1;
    runTool(besideTests("talvena-psp"), QStringList{"report"} << options << TALVENA_EXAMPLE_PASSPORT << withRun, &code);
    ASSERT_EQ(code, 0);
    runTool(besideTests("talvena-psp"), {"report", TALVENA_EXAMPLE_PASSPORT, without}, &code);
    ASSERT_EQ(code, 0);
    const QJsonObject run =
        QJsonDocument::fromJson(runTool(besideTests("talvena-psp"), QStringList{"simulate"} << options << TALVENA_EXAMPLE_PASSPORT)
                                    .toUtf8())
            .object();
    ASSERT_FALSE(run.isEmpty());

    const QString heading = "Ресурсы по результатам имитационного моделирования";
    const auto cases = [](const QJsonObject& s) {
        return QStringList{SimulationNumberText(s["p90"].toDouble()), SimulationNumberText(s["p50"].toDouble()),
                           SimulationNumberText(s["p10"].toDouble())};
    };
    QStringList table{heading, "Испытаний: 3000", "Треугольное", "начальное число: 7"}, charts;
    int rows = 0;
    for (const QJsonValue& h : run["horizons"].toArray())
        for (const SimResultDecl& d : SimResultDecls())
            if (h[d.key].isObject()) {
                table << h["name"].toString() << QString::fromUtf8(d.title) << cases(h[d.key].toObject());
                ++rows;
            }
    for (const SimTotalDecl& d : SimTotalDecls()) {
        const QJsonObject s = run["totals"][d.key].toObject();
        if (s.isEmpty()) continue;
        table << "Итого по паспорту" << QString::fromUtf8(d.title) << cases(s);
        const QStringList values = cases(s);
        charts << QStringLiteral("Итого по паспорту — %1").arg(QString::fromUtf8(d.title)) << "P90 = " + values[0]
               << "P50 = " + values[1] << "P10 = " + values[2];
    }
    ASSERT_GT(rows, 5);
    ASSERT_GE(charts.size(), 4 * 2) << "the example has oil and gas totals";
    const QString text = pdfText(withRun);
    EXPECT_EQ(missingInOrder(text, table + charts), "");
    // The section stands among the resources: after the Geology page's totals, before the contour map.
    EXPECT_LT(text.indexOf(heading), text.indexOf("Схема контуров ловушек"));

    // A run of one horizon of four does not pass for the passport's totals.
    dm.LoadPassport(TALVENA_EXAMPLE_PASSPORT);
    SimulationOptions one;
    one.trials = 2000;
    one.histogramBins = 40;
    const SimulationRun partial =
        RunResourceSimulation(ReadSimulationInputs(dm.POSIB_PRODUCT_HOR, dm.POSIB_PRODUCT_HOR.storedRow(0)), one);
    PassportReportOptions printing;
    printing.simulation = &partial;
    const QString partialPdf = path("partial.pdf");
    WritePassportPdf(dm, partialPdf, printing);
    const QString partialText = pdfText(partialPdf);
    EXPECT_EQ(missingInOrder(partialText, {heading, QStringLiteral("Рассчитано горизонтов: 1 из %1.").arg(dm.POSIB_PRODUCT_HOR.storedCount()),
                                           "Итого по рассчитанным горизонтам", "Итого по рассчитанным горизонтам —"}),
              "");
    EXPECT_FALSE(partialText.contains("Итого по паспорту"));
    EXPECT_TRUE(text.contains("Итого по паспорту —"));

    const QString plain = pdfText(without);
    EXPECT_FALSE(plain.contains("имитационного моделирования"));
    EXPECT_FALSE(plain.contains("P90 ="));
    EXPECT_LT(pdfInfo(without).pages, pdfInfo(withRun).pages);
}

// A horizon table over several pages repeats its title row on each, and every horizon appears once,
// in order.
TEST_F(ReportTest, LongHorizonTableRepeatsItsTitleRowOnEveryPage)
{
    constexpr int kHorizons = 180;
    QStringList names;
    for (int i = 1; i <= kHorizons; ++i) {
        names << QStringLiteral("Горизонт-%1").arg(i, 3, 10, QLatin1Char('0'));
        dm.POSIB_PRODUCT_HOR.append();
        dm.POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString(unicodeToCp1251(names.back()));
        dm.POSIB_PRODUCT_HOR.post();
    }
    const QString pdf = path("long.pdf");
    WritePassportPdf(dm, pdf);

    const GridDecl* grid = FindGrid("JvDBGrid3"); // "Возможные продуктивные горизонты"
    const QString firstTitle = QString::fromUtf8(grid->columns[0].title).simplified();
    const PdfInfo info = pdfInfo(pdf);
    int first = 0, last = 0;
    for (int n = 1; n <= info.pages; ++n) {
        const QString page = pdfText(pdf, n);
        if (page.contains(QStringLiteral("Таблица 7."))) first = n;
        if (page.contains(QStringLiteral("Таблица 8а."))) {
            last = n - 1;
            break;
        }
    }
    ASSERT_GT(first, 0);
    ASSERT_GE(last - first, 2) << "the table should take several pages";
    QString table;
    for (int n = first; n <= last; ++n) {
        const QString page = pdfText(pdf, n);
        EXPECT_TRUE(page.contains(firstTitle)) << "no title row on page " << n;
        // The further parts of the split columns repeat the first column, not the names.
        if (page.contains(QStringLiteral("Горизонт-"))) {
            EXPECT_LT(page.indexOf(firstTitle), page.indexOf(QStringLiteral("Горизонт-"))) << "page " << n;
        }
        table += page + ' ';
    }
    EXPECT_EQ(missingInOrder(table, names), "");
}

// A passport with nothing in it prints: its sections say so.
TEST_F(ReportTest, EmptyPassportPrints)
{
    const QString pdf = path("empty.pdf");
    WritePassportPdf(dm, pdf);
    const PdfInfo info = pdfInfo(pdf);
    EXPECT_GE(info.pages, 5);
    QStringList expected{"(объект без названия)"};
    for (const ExportTableDecl& table : ExportTables()) expected << QString::fromUtf8(table.title);
    expected << "Приложений нет.";
    const QString text = pdfText(pdf);
    EXPECT_EQ(missingInOrder(text, expected), "");
    EXPECT_TRUE(text.contains("Контуры ловушек не заданы."));
    EXPECT_TRUE(text.contains(QStringLiteral("стр. %1 из %1").arg(info.pages)));

    // A simulation of no horizons has nothing to show, and says so.
    SimulationOptions few;
    few.trials = 100;
    const SimulationRun run = SimulateForReport(dm, few);
    PassportReportOptions options;
    options.simulation = &run;
    WritePassportPdf(dm, pdf, options);
    const QString simulated = pdfText(pdf);
    EXPECT_EQ(missingInOrder(simulated, {"Ресурсы по результатам имитационного моделирования", "Ни один результат не рассчитан.",
                                         "Контуры ловушек не заданы."}),
              "");
    EXPECT_FALSE(simulated.contains("Кривые превышения"));
}

// A document that cannot be written completely leaves the previous file as it was and says so.
TEST_F(ReportTest, FailedWriteKeepsThePreviousFile)
{
    dm.LoadPassport(TALVENA_EXAMPLE_PASSPORT);
    testsupport::ShortOfSpace disk;
    const QString target = QDir(disk.folder()).filePath("passport.pdf");
    const QByteArray previous = "%PDF-1.4 the previous document";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }
    const testsupport::Attempt attempt = disk.attempt(4096, [&] { WritePassportPdf(dm, target); });
    EXPECT_TRUE(attempt.threw) << disk.how();
    EXPECT_EQ(attempt.message, "Stream write error");
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), previous);
    EXPECT_EQ(disk.entries(), QStringList{"passport.pdf"});
}

} // namespace
} // namespace talvena
