// Copying grid cells and pasting blocks into the passport's grids: the values go through the
// fields' own rules, refused ones are named and leave their cells alone, shown-only columns are
// skipped, the point grid grows in order with its count, and a paste is one undo step.
#include "support/stored_points.h"
#include "model/contour_editing.h"
#include "model/grid_paste.h"
#include "model_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <gmock/gmock.h>

#include <cmath>

namespace talvena::test {
namespace {

// A cell as a spreadsheet took it: a number or a text.
struct SheetCell {
    bool number = false;
    double value = 0;
    QString text;
};

// The rows LibreOffice Calc makes of an HTML clipboard table when its locale is Russian, where a
// decimal is written with a comma and "12.5" typed as text stays text. Read back from the flat
// document format it converts the table to.
std::vector<std::vector<SheetCell>> readByRussianCalc(const QString& html)
{
    QTemporaryDir dir;
    QFile in(dir.filePath("clip.html"));
    if (!in.open(QIODevice::WriteOnly)) return {};
    in.write(html.toUtf8());
    in.close();
    QProcess soffice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "ru_RU.UTF-8");
    env.insert("LC_ALL", "ru_RU.UTF-8");
    soffice.setProcessEnvironment(env);
    soffice.start("soffice", {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).toString(),
                              "--headless", "--infilter=calc_HTML_WebQuery", "--convert-to", "fods", "--outdir",
                              dir.path(), in.fileName()});
    if (!soffice.waitForFinished(180000)) ADD_FAILURE() << "soffice did not finish";
    QFile out(dir.filePath("clip.fods"));
    if (!out.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "soffice wrote nothing: " << soffice.readAllStandardError().toStdString();
        return {};
    }
    std::vector<std::vector<SheetCell>> rows;
    QXmlStreamReader xml(&out);
    SheetCell cell;
    int repeated = 1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"table-row") rows.emplace_back();
        if (xml.isStartElement() && xml.name() == u"table-cell") {
            const QXmlStreamAttributes a = xml.attributes();
            cell = {a.value("office:value-type") == u"float", a.value("office:value").toDouble(), {}};
            repeated = std::max(1, a.value("table:number-columns-repeated").toInt());
        }
        if (xml.isStartElement() && xml.name() == u"p") cell.text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (xml.isEndElement() && xml.name() == u"table-cell" && !rows.empty())
            rows.back().insert(rows.back().end(), size_t(repeated), cell);
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return rows;
}

class GridPasteTest : public ModuleTest {
protected:
    RecordTable& horizons() { return module.POSIB_PRODUCT_HOR; }
    RecordTable& points() { return module.KONTUR; }

    GridTarget target(const char* gridName)
    {
        const GridDecl* g = FindGrid(gridName);
        EXPECT_NE(g, nullptr) << gridName;
        std::vector<int> shown;
        for (int i = 0; i < int(g->columns.size()); ++i) shown.push_back(i);
        return ModuleGridTarget(module, *g, shown);
    }
    std::vector<int> allColumns(const GridTarget& t)
    {
        std::vector<int> c;
        for (int i = 0; i < int(t.shown.size()); ++i) c.push_back(i);
        return c;
    }
    int positionOf(int32_t id)
    {
        for (int p = 0; p < horizons().visibleCount(); ++p)
            if (horizons().rowInteger(horizons().visibleRow(p), horizons().fieldByName("ID")) == id) return p;
        ADD_FAILURE() << "no horizon " << id;
        return -1;
    }
    void goTo(int32_t id) { ASSERT_TRUE(horizons().locate("ID", Value::integer(id))); }
    void setType(int32_t id, int type)
    {
        goTo(id);
        horizons().edit();
        horizons().fieldByName("KONTURKOORDTYPE").setInteger(type);
        horizons().post();
    }
    // Every stored value of the horizon and point tables, to compare whole states.
    std::vector<Value> everything()
    {
        std::vector<Value> out;
        for (RecordTable* t : {&horizons(), &points()})
            for (int i = 0; i < t->storedCount(); ++i)
                for (int f = 0; f < t->fieldCount(); ++f)
                    if (t->field(f).isData()) out.push_back(t->rowValue(t->storedRow(i), t->field(f)));
        return out;
    }
    std::vector<std::pair<double, double>> pointsOf(int32_t id) { return StoredPointsOf(points(), id); }
    int64_t countOf(int32_t id)
    {
        const int p = positionOf(id);
        return horizons().rowInteger(horizons().visibleRow(p), horizons().fieldByName("KONTURNUMPOINTS"));
    }
    double value(int32_t id, const char* field)
    {
        return horizons().rowReal(horizons().visibleRow(positionOf(id)), horizons().fieldByName(field));
    }
    bool isNull(int32_t id, const char* field)
    {
        return horizons().rowIsNull(horizons().visibleRow(positionOf(id)), horizons().fieldByName(field));
    }
};

// Every resource grid and the point grid: a row copied from one horizon and pasted (through the
// clipboard's text) onto another shows the same texts and holds the same values.
TEST_F(GridPasteTest, CopyThenPasteIntoAnotherHorizonGivesTheSameValues)
{
    const int32_t a = addProductHorizon("A");
    const int32_t b = addProductHorizon("B");
    goTo(a);
    // A's every editable number: small increasing fractions, so each rule (fraction, positive, a
    // minimum below its maximum) takes them; a field whose rules want something else stays empty.
    horizons().edit();
    int k = 0, set = 0;
    for (const GridDecl& g : Grids()) {
        if (std::strcmp(g.table, "POSIB_PRODUCT_HOR") != 0) continue;
        for (const GridColumnDecl& c : g.columns) {
            Field& f = horizons().fieldByName(c.field);
            if (c.kind != ColumnKind::Editable || f.type() != FieldType::Float) continue;
            try {
                f.setText(QByteArray::number(0.01 * ++k + 0.005, 'f', 3)); // as a user types it
                ++set;
            } catch (const Error&) {
            }
        }
    }
    horizons().fieldByName("COLLECTORTYPE_ID").setInteger(171);
    horizons().fieldByName("KONTURKOORDTYPE").setInteger(2);
    horizons().post();
    ASSERT_GT(set, 60);

    for (const GridDecl& g : Grids()) {
        if (std::strcmp(g.table, "POSIB_PRODUCT_HOR") != 0 || g.readOnlyRows) continue;
        SCOPED_TRACE(g.objectName);
        const GridTarget t = target(g.objectName);
        // The horizons keep their names: where the name is typed in place the block starts after it.
        const int first = std::strcmp(g.objectName, "JvDBGrid3") == 0 ? 3 : 0;
        std::vector<int> columns;
        for (int c = first; c < int(g.columns.size()); ++c) columns.push_back(c);
        const CellBlock copied = CopyCells(t, {positionOf(a)}, columns);
        const CellBlock shownBefore = CopyCells(t, {positionOf(b)}, columns);
        const PasteOutcome o = PasteBlock(t, positionOf(b), first, ReadTabText(WriteTabText(copied)));
        EXPECT_TRUE(o.refusals.empty()) << PasteSummary(o).toStdString();
        const CellBlock pasted = CopyCells(t, {positionOf(b)}, columns);
        for (size_t i = 0; i < columns.size(); ++i) {
            // The horizon's name and point count are shown only in these grids: they stay the target's own.
            const GridColumnDecl& decl = g.columns[size_t(columns[i])];
            if (decl.kind == ColumnKind::ReadOnly)
                EXPECT_EQ(pasted.cell(0, int(i)), shownBefore.cell(0, int(i)));
            else
                EXPECT_EQ(pasted.cell(0, int(i)), copied.cell(0, int(i))) << decl.field;
        }
    }
    for (int f = 0; f < horizons().fieldCount(); ++f) {
        const QByteArray name = horizons().field(f).name();
        if (name == "ID" || name == "STRATIGRSVIT" || !horizons().field(f).isData()) continue;
        EXPECT_EQ(horizons().rowValue(horizons().visibleRow(positionOf(a)), horizons().field(f)),
                  horizons().rowValue(horizons().visibleRow(positionOf(b)), horizons().field(f)))
            << name.toStdString();
    }

    // Points in degrees, minutes and seconds copied from one contour into an empty one.
    setType(a, 1);
    setType(b, 1);
    goTo(a);
    for (auto [x, y] : {std::pair{37.5125, 55.25}, {37.75, 55.1}, {38.0042, 55.2}}) {
        points().append();
        points().fieldByName("X").setFloat(x);
        points().fieldByName("Y").setFloat(y);
        points().post();
    }
    const GridTarget pointGrid = target("JvDBGrid14");
    const CellBlock copied = CopyCells(pointGrid, {0, 1, 2}, {0, 1});
    goTo(b);
    const PasteOutcome o = PasteBlock(pointGrid, 0, 0, ReadTabText(WriteTabText(copied)));
    EXPECT_EQ(o.appended, 3);
    const auto from = pointsOf(a), to = pointsOf(b);
    ASSERT_EQ(to.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(to[i].first, from[i].first, 1e-6);
        EXPECT_NEAR(to[i].second, from[i].second, 1e-6);
    }
    EXPECT_EQ(countOf(b), 3);
}

TEST_F(GridPasteTest, RefusedValuesAreNamedSkippedColumnsUntouchedAndThePasteUndoesAsOneStep)
{
    const int32_t a = addProductHorizon("A");
    const int32_t b = addProductHorizon("B");
    goTo(a);
    horizons().edit();
    horizons().fieldByName("KOEFOILNASUSH").setFloat(0.7);
    horizons().fieldByName("OILPLOTN").setFloat(0.85);
    horizons().post();
    goTo(b);
    horizons().edit();
    horizons().fieldByName("OILSQUAREMIN").setFloat(1);
    horizons().fieldByName("OILSQUAREMAX").setFloat(2);
    horizons().post();
    module.journal().clear();
    const std::vector<Value> before = everything();

    // Grid 4: the horizon (shown only), area, thickness, porosity, saturation, density. A third
    // row falls beyond the last horizon of a grid that adds none.
    const CellBlock block = ReadTabText(QStringLiteral("ЧУЖОЙ\t12,5\t3\t0,25\t1,5\t0,9\r\n"
                                                       "X\t7\t\t0,2\t0,4\tмного\r\n"
                                                       "Y\t1\t1\t0,1\t0,1\t0,1\r\n"));
    const PasteOutcome o = PasteBlock(target("JvDBGrid4"), positionOf(a), 0, block);
    EXPECT_EQ(o.taken, 8);
    EXPECT_EQ(o.skipped, 2 + 6);
    EXPECT_EQ(o.appended, 0);
    ASSERT_EQ(o.refusals.size(), 2u);
    EXPECT_EQ(o.refusals[0].row, 1);
    EXPECT_EQ(o.refusals[0].column, 5);
    EXPECT_EQ(o.refusals[0].title, QString::fromUtf8(FindGrid("JvDBGrid4")->columns[4].title).trimmed());
    EXPECT_EQ(o.refusals[0].reason, "Значение не может быть больше единицы.");
    EXPECT_EQ(o.refusals[1].row, 2);
    EXPECT_EQ(o.refusals[1].column, 6);
    EXPECT_FALSE(o.refusals[1].reason.isEmpty());
    const QString summary = PasteSummary(o);
    EXPECT_THAT(summary.toStdString(), ::testing::HasSubstr("Вставлено значений: 8."));
    EXPECT_THAT(summary.toStdString(),
                ::testing::HasSubstr(QStringLiteral("Строка 1, столбец «%1»: Значение не может быть больше единицы.")
                                         .arg(o.refusals[0].title)
                                         .toStdString()));
    // The others are written, the refused ones keep their values, the names are untouched.
    EXPECT_DOUBLE_EQ(value(a, "SQUARENEFTENOSN"), 12.5);
    EXPECT_DOUBLE_EQ(value(a, "EFECTOILWIDTH"), 3);
    EXPECT_DOUBLE_EQ(value(a, "OILKOEFOTKRPORIST"), 0.25);
    EXPECT_DOUBLE_EQ(value(a, "KOEFOILNASUSH"), 0.7);
    EXPECT_DOUBLE_EQ(value(a, "OILPLOTN"), 0.9);
    EXPECT_DOUBLE_EQ(value(b, "SQUARENEFTENOSN"), 7);
    EXPECT_TRUE(isNull(b, "EFECTOILWIDTH"));
    EXPECT_DOUBLE_EQ(value(b, "KOEFOILNASUSH"), 0.4);
    EXPECT_TRUE(isNull(b, "OILPLOTN"));
    EXPECT_EQ(horizons().rowBytes(horizons().visibleRow(positionOf(a)), horizons().fieldByName("STRATIGRSVIT")), "A");
    EXPECT_EQ(horizons().rowBytes(horizons().visibleRow(positionOf(b)), horizons().fieldByName("STRATIGRSVIT")), "B");
    const std::vector<Value> after = everything();

    // A minimum above the old maximum is taken together with its new maximum.
    const PasteOutcome pair = PasteBlock(target("JvDBGrid5"), positionOf(b), 1, ReadTabText("5\t6"));
    EXPECT_TRUE(pair.refusals.empty()) << PasteSummary(pair).toStdString();
    EXPECT_DOUBLE_EQ(value(b, "OILSQUAREMIN"), 5);
    EXPECT_DOUBLE_EQ(value(b, "OILSQUAREMAX"), 6);

    EXPECT_EQ(module.journal().doneSteps(), 2u);
    EXPECT_EQ(module.journal().undoName(), "Вставка");
    ASSERT_TRUE(module.journal().undo());
    EXPECT_EQ(everything(), after);
    ASSERT_TRUE(module.journal().undo());
    EXPECT_EQ(everything(), before);
    EXPECT_FALSE(module.journal().canUndo());
    ASSERT_TRUE(module.journal().redo());
    EXPECT_EQ(everything(), after);

    // Clearing cells is a paste of empty texts: editable ones only, one step.
    const PasteOutcome cleared = ClearCells(target("JvDBGrid4"), {{positionOf(a), 0}, {positionOf(a), 1}, {positionOf(b), 4}});
    EXPECT_EQ(cleared.taken, 2);
    EXPECT_EQ(cleared.skipped, 1);
    EXPECT_TRUE(isNull(a, "SQUARENEFTENOSN"));
    EXPECT_TRUE(isNull(b, "KOEFOILNASUSH"));
    EXPECT_EQ(module.journal().undoName(), "Очистка ячеек");
    ASSERT_TRUE(module.journal().undo());
    EXPECT_EQ(everything(), after);
}

TEST_F(GridPasteTest, PointsPastedBeyondTheEndAreAppendedInOrderAndCounted)
{
    const int32_t h = addProductHorizon("A");
    for (int i = 0; i < 3; ++i) {
        points().append();
        points().fieldByName("X").setFloat(100 + i);
        points().fieldByName("Y").setFloat(200 + i);
        points().post();
    }
    const int32_t other = addProductHorizon("B");
    goTo(h);
    module.journal().clear();
    const std::vector<Value> before = everything();

    // 1,000 pairs as a spreadsheet copies them, with decimal commas, from the second point on.
    QString text;
    for (int i = 0; i < 1000; ++i) text += QStringLiteral("%1,5\t%2,25\r\n").arg(i).arg(-i - 1);
    const GridTarget grid = target("JvDBGrid14");
    const PasteOutcome o = PasteBlock(grid, 1, 0, ReadTabText(text));
    EXPECT_TRUE(o.refusals.empty());
    EXPECT_EQ(o.taken, 2000);
    EXPECT_EQ(o.appended, 998);
    const auto pts = pointsOf(h);
    ASSERT_EQ(pts.size(), 1001u);
    EXPECT_EQ(pts[0], std::make_pair(100.0, 200.0));
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(pts[size_t(i) + 1], std::make_pair(i + 0.5, -i - 1.25)) << i;
    EXPECT_EQ(countOf(h), 1001);
    EXPECT_EQ(countOf(other), 0);
    EXPECT_EQ(module.journal().doneSteps(), 1u);
    ASSERT_TRUE(module.journal().undo());
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(countOf(h), 3);
    ASSERT_TRUE(module.journal().redo());
    EXPECT_EQ(pointsOf(h).size(), 1001u);
    EXPECT_EQ(countOf(h), 1001);

    // A new point is added whole or not at all; the HTML form of a spreadsheet is read the same.
    goTo(other);
    const CellBlock html = ReadHtmlTable(QStringLiteral(
        "<table><tr><td sdval=\"1.5\">1,5</td><td>2,5</td></tr><tr><td>3</td><td>север</td></tr>"
        "<tr><td>&nbsp;4</td><td>5&#160;000,5</td></tr></table>"));
    const PasteOutcome o2 = PasteBlock(grid, 0, 0, html);
    EXPECT_EQ(o2.appended, 2);
    ASSERT_EQ(o2.refusals.size(), 1u);
    EXPECT_EQ(o2.refusals[0].row, 2);
    EXPECT_EQ(o2.refusals[0].column, 2);
    EXPECT_THAT(pointsOf(other), ::testing::ElementsAre(std::make_pair(1.5, 2.5), std::make_pair(4.0, 5000.5)));
    EXPECT_EQ(countOf(other), 2);
}

// Cells copied from a horizon's row and from its points in both coordinate forms, pasted into a
// Russian-locale Calc: every number (decimals with a point) lands as that number, names and
// degrees with minutes as their texts.
TEST_F(GridPasteTest, CopiedNumbersReachARussianSpreadsheetAsNumbers)
{
    const int32_t h = addProductHorizon("12.5");
    goTo(h);
    horizons().edit();
    horizons().fieldByName("COLLECTORTYPE_ID").setInteger(171);
    horizons().fieldByName("KONTURKOORDTYPE").setInteger(2);
    const GridDecl* grid = FindGrid("JvDBGrid3");
    ASSERT_NE(grid, nullptr);
    int k = 0;
    for (const GridColumnDecl& c : grid->columns) {
        Field& f = horizons().fieldByName(c.field);
        if (c.kind != ColumnKind::Editable || f.type() != FieldType::Float) continue;
        try {
            f.setText(QByteArray::number(0.01 * ++k + 0.005, 'f', 3));
        } catch (const Error&) {
        }
    }
    horizons().post();
    for (auto [x, y] : {std::pair{37.5125, 55.25}, {-37.75, 55.1}}) {
        points().append();
        points().fieldByName("X").setFloat(x);
        points().fieldByName("Y").setFloat(y);
        points().post();
    }

    const GridTarget row = target("JvDBGrid3"), pointGrid = target("JvDBGrid14");
    std::vector<CellBlock> blocks{CopyCells(row, {positionOf(h)}, allColumns(row)), CopyCells(pointGrid, {0, 1}, {0, 1})};
    setType(h, 1);
    blocks.push_back(CopyCells(pointGrid, {0, 1}, {0, 1}));
    ASSERT_EQ(blocks[0].cell(0, 2), "12.5");          // a name that looks like a number
    ASSERT_EQ(blocks[1].cell(0, 0), "37.512500");     // decimal degrees
    ASSERT_TRUE(blocks[2].cell(0, 0).contains(u'°')); // degrees, minutes and seconds

    int numbers = 0;
    for (const CellBlock& copied : blocks) {
        const auto sheet = readByRussianCalc(WriteHtmlTable(copied));
        ASSERT_EQ(sheet.size(), copied.rows.size());
        for (int r = 0; r < copied.height(); ++r)
            for (int c = 0; c < copied.rows[size_t(r)].size(); ++c) {
                const QString text = copied.cell(r, c);
                if (text.isEmpty()) continue;
                SCOPED_TRACE(text.toStdString());
                ASSERT_LT(size_t(c), sheet[size_t(r)].size());
                const SheetCell& got = sheet[size_t(r)][size_t(c)];
                bool isNumber = false;
                const double value = text.toDouble(&isNumber);
                if (isNumber && copied.numeric(c)) {
                    ++numbers;
                    EXPECT_TRUE(got.number);
                    EXPECT_DOUBLE_EQ(got.value, value);
                } else {
                    EXPECT_FALSE(got.number);
                    EXPECT_EQ(got.text, text);
                }
            }
    }
    EXPECT_EQ(numbers, 9);
}

TEST_F(GridPasteTest, PointsNeedAHorizonAndListsTakeTheirNames)
{
    const GridTarget grid = target("JvDBGrid14");
    EXPECT_EQ(errorOf([&] { PasteBlock(grid, 0, 0, ReadTabText("1\t2")); }), kNoCurrentHorizonMessage);
    EXPECT_EQ(points().storedCount(), 0);

    // A lookup column takes a name of its list (letter case aside) and refuses another.
    const int32_t h = addProductHorizon("A");
    const PasteOutcome o = PasteBlock(target("JvDBGrid3"), positionOf(h), 12, ReadTabText("ПОРОВЫЙ\nтрещинный"));
    EXPECT_EQ(o.taken, 1);
    EXPECT_EQ(horizons().fieldByName("COLLECTORTYPE_ID").asInteger(), 171);
    // The second row is beyond the last, where this grid adds horizons; its only value is refused,
    // so no horizon is added.
    ASSERT_EQ(o.refusals.size(), 1u);
    EXPECT_EQ(o.refusals[0].row, 2);
    EXPECT_EQ(horizons().recordCount(), 1);
    const PasteOutcome refused = PasteBlock(target("JvDBGrid3"), positionOf(h), 12, ReadTabText("трещинный"));
    ASSERT_EQ(refused.refusals.size(), 1u);
    EXPECT_EQ(refused.refusals[0].reason, "Значения «трещинный» нет в списке.");
    EXPECT_EQ(horizons().fieldByName("COLLECTORTYPE_ID").asInteger(), 171);
}

} // namespace
} // namespace talvena::test
