// The unpacked passport written from a data module over small dictionaries of the tests' own, every
// table read back by python3-xlrd.
#include "export/cell_texts.h"
#include "export/export_layouts.h"
#include "export/export_session.h"
#include "export/unpacked_names.h"
#include "export/unpacked_passport.h"
#include "fake_libreoffice.h"
#include "independent_readers.h"
#include "model/attachment_store.h"
#include "model/grid_decl.h"
#include "model/model_fixture.h"
#include "model/resources.h"
#include "model/table_schemas.h"
#include "storage/gzip.h"
#include "table/number_text.h"
#include "support/short_of_space.h"
#include "base/oem_text.h"
#include "base/atomic_file.h"

#include <QDirIterator>
#include <QRandomGenerator>

using namespace talvena;
using namespace talvena::test;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

const QString kObject = u("Нижнечузикская");
const QString kFolder = u("ПАСПОРТ ОБЪЕКТА Нижнечузикская");

// Every file under a folder, relative to it, sorted.
QStringList filesUnder(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// Texts of one row of a sheet from column A up to its last text.
QStringList rowTexts(const ReadSheet& s, int row)
{
    QStringList out;
    for (int c = 1; c <= s.columns; ++c) out << s.textAt(row, c);
    while (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

class UnpackTest : public ModuleTest {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        std::vector<DictEntry> entries = standardEntries();
        entries.push_back({5, 89, "Сейсморазведка"});
        entries.push_back({5, 92, "Другие геофизические методы"});
        entries.push_back({8, 108, "Взрывной"});
        writeDictionaries(dir_->path(), entries);
        writeGroups(dir_->path(), standardGroups());
    }

    void SetUp() override
    {
        ModuleTest::SetUp();
        pasport("OBJECTNAME").setString(cp("  Нижнечузикская  "));
    }

    UnpackedPassportResult unpack(const GridLayouts* layouts = nullptr, PreferredProgram program = PreferredProgram::Excel)
    {
        ExportSession session;
        UnpackedPassportOptions options;
        options.directory = out.path() + '/'; // a trailing separator gets no second one
        options.program = program;
        options.layouts = layouts;
        options.written = [this](const QString& path) { written << path; };
        return WriteUnpackedPassport(module, session, options);
    }

    QString passportFolder() const { return out.filePath(kFolder); }
    QString tablePath(int index) const
    {
        return passportFolder() + u("/ТАБЛИЦЫ/") + QString::fromUtf8(ExportTables()[size_t(index)].fileName);
    }
    ReadSheet table(int index) const { return ReadWithXlrd(tablePath(index)); }

    void addReflectingHorizon(const char* index, const char* suite)
    {
        RecordTable& t = module.REFLECT_HORIZONTS;
        t.append();
        t.fieldByName("INDEXOG").setString(cp(index));
        t.fieldByName("STRATIGRSVIT").setString(cp(suite));
        t.post();
    }

    void addPoint(const Value& x, const Value& y)
    {
        RecordTable& k = module.KONTUR;
        k.append();
        k.fieldByName("X").setValue(x);
        k.fieldByName("Y").setValue(y);
        k.post();
    }

    // An attachment record as the documents page stores it (content NULL when none given).
    void addAttachment(const char* name, const std::optional<QByteArray>& content, const char* comment = "")
    {
        RecordTable& f = module.FILES;
        f.append();
        f.fieldByName("NAME").setString(cp(name));
        if (content) f.fieldByName("CONTENT").setBytes(CompressToGzip(*content));
        if (*comment) f.fieldByName("DESCRIPTION").setString(cp(comment));
        f.post();
    }

    QTemporaryDir out;
    QStringList written;
};

} // namespace

TEST_F(UnpackTest, FolderTitlesWidthsAndTheParameterLayout)
{
    const UnpackedPassportResult result = unpack();
    EXPECT_EQ(result.folder, passportFolder());
    EXPECT_TRUE(result.damaged.isEmpty());

    QStringList expected;
    for (const ExportTableDecl& t : ExportTables()) expected << u("ТАБЛИЦЫ/") + QString::fromUtf8(t.fileName);
    expected.sort();
    EXPECT_EQ(filesUnder(passportFolder()), expected); // no attachments, no description files
    EXPECT_TRUE(QFileInfo(passportFolder() + u("/ДОКУМЕНТЫ")).isDir());
    EXPECT_TRUE(QFileInfo(passportFolder() + u("/ГРАФИКА")).isDir());
    EXPECT_EQ(filesUnder(out.path()).size(), 15); // nothing beside the passport folder
    ASSERT_EQ(written.size(), 15);
    EXPECT_EQ(written.first(), tablePath(0)); // in the order of writing

    // The Cyrillic letters of 8а … 10б.
    EXPECT_EQ(QString::fromUtf8(ExportTables()[7].fileName), u("Таблица 8а Ресурсы нефти.xls"));
    EXPECT_EQ(QString::fromUtf8(ExportTables()[12].title), u("Таблица 10б. \"Ресурсы газоконденсата\""));

    const ReadSheet geography = table(0);
    EXPECT_EQ(geography.textAt(1, 1), u("Таблица 1. \"География\""));
    EXPECT_TRUE(geography.at(1, 1)->bold);
    EXPECT_EQ(rowTexts(geography, 2), (QStringList{u("Наименование позиции"), u("Параметр")}));
    EXPECT_TRUE(geography.at(2, 1)->bold && geography.at(2, 2)->bold);
    // The name as stored, blanks included; labels bold, values not.
    EXPECT_EQ(rowTexts(geography, 3), (QStringList{u("Наименование объекта"), u("  Нижнечузикская  ")}));
    EXPECT_TRUE(geography.at(3, 1)->bold);
    EXPECT_FALSE(geography.at(3, 2)->bold);
    // Rows with empty values keep their labels; the value cell is not written at all.
    EXPECT_EQ(rowTexts(geography, 7), QStringList{u("Область")});
    EXPECT_EQ(geography.at(7, 2), nullptr);
    EXPECT_EQ(geography.rows, 7);
    // Widths of 100 and 50 characters.
    EXPECT_GE(geography.widths.at(1), 100 * 256);
    EXPECT_LT(geography.widths.at(1), 101 * 256);
    EXPECT_GE(geography.widths.at(2), 50 * 256);
    EXPECT_LT(geography.widths.at(2), 51 * 256);

    const ReadSheet economy = table(14);
    EXPECT_EQ(economy.rows, 1);
    EXPECT_EQ(economy.textAt(1, 1), u("Таблица 12. \"Экономика\""));
    EXPECT_GE(economy.widths.at(1), 50 * 256);
    EXPECT_GE(economy.widths.at(2), 80 * 256);
    EXPECT_LT(economy.widths.at(2), 81 * 256);

    // The methods table: section rows are not bold and have nothing in B.
    const ReadSheet methods = table(2);
    EXPECT_EQ(methods.rows, 36);
    EXPECT_EQ(methods.textAt(3, 1), u("Сейсморазведка 2d"));
    EXPECT_FALSE(methods.at(3, 1)->bold);
    EXPECT_EQ(methods.at(3, 2), nullptr);
    EXPECT_EQ(methods.textAt(34, 1), u("Структурное бурение"));
    EXPECT_EQ(methods.textAt(36, 1), u("Плотность сети скважин"));
    EXPECT_TRUE(table(4).widths.empty()); // list tables keep the default widths
}

TEST_F(UnpackTest, NumbersMethodsBinsAndDictionaryNames)
{
    pasport("SHOWINGUPMETHOD_ID").setInteger(kOtherMethodId);
    pasport("OTHERMETHOD2").setString(cp("Гравиразведка"));
    pasport("PREPARATIONMETHOD_ID").setInteger(89);
    pasport("OTHERMETHOD").setString(cp("не показывается в строке метода"));
    pasport("GRIDDENCITY").setFloat(0.0004);   // FormatNumber: 0
    pasport("GRIDDENCITYST").setFloat(0.0004); // the general format: 0.0004
    pasport("MAXDISTANCE").setFloat(1234.56789);
    pasport("MINDISTANCE").setFloat(2.5);
    pasport("DRIVINGTYPE_ID").setInteger(108);
    pasport("FEDERALOKRUG_ID").setInteger(7);
    pasport("REPUBLIC_ID").setInteger(22); // of another district: not offered now
    pasport("KRAI_ID").setInteger(31);
    pasport("GEO_PROVINCE_ID").setInteger(111);
    pasport("GEO_PROVINCE_DOP").setString(cp("(северная часть) "));
    pasport("GEO_OBLAST_ID").setInteger(121); // no supplement: no trailing blank
    unpack();

    const ReadSheet geography = table(0);
    EXPECT_EQ(geography.textAt(4, 2), u("Сибирский"));
    EXPECT_EQ(geography.textAt(5, 2), u(""));
    EXPECT_EQ(geography.textAt(6, 2), u("Алтайский"));

    const ReadSheet history = table(1);
    EXPECT_EQ(rowTexts(history, 4), (QStringList{u("Метод выявления"), u("Гравиразведка")}));
    EXPECT_EQ(rowTexts(history, 7), (QStringList{u("Метод подготовки"), u("Сейсморазведка")}));
    EXPECT_EQ(history.rows, 19);

    const ReadSheet methods = table(2);
    EXPECT_EQ(methods.textAt(5, 2), u("0"));
    EXPECT_EQ(methods.textAt(36, 2), u("0.0004"));
    EXPECT_EQ(methods.textAt(7, 2), u("1234.568"));
    EXPECT_EQ(methods.textAt(8, 2), u("2.5"));
    EXPECT_EQ(methods.at(9, 2), nullptr); // empty field, empty text
    EXPECT_EQ(methods.textAt(10, 2), u("Взрывной"));
    EXPECT_EQ(methods.textAt(19, 2), u("X")); // empty bin sizes
    // Texts stay texts, numbers included.
    EXPECT_EQ(methods.at(7, 2)->type, ReadCell::Text);

    const ReadSheet geology = table(3);
    EXPECT_EQ(geology.textAt(3, 2), u("Западно-Сибирская (северная часть)"));
    EXPECT_EQ(geology.textAt(4, 2), u("Васюганская"));
    EXPECT_EQ(geology.textAt(5, 2), u("")); // no district chosen: the empty entry's empty name
    EXPECT_EQ(geology.textAt(8, 2), u("Кровля:    Подошва: "));
    EXPECT_EQ(geology.textAt(9, 2), u("горизонтов: 0"));
    EXPECT_EQ(geology.textAt(10, 2), u("горизонтов: 0"));
    EXPECT_EQ(rowTexts(geology, 18), QStringList{u("Возможные пределы изменения перспективных ресурсов нефти "
                                                  "(извлекаемых),  млн.т")});
    EXPECT_EQ(geology.rows, 24);

    // Bin sizes given: 25X12.5 (Latin X).
    module.PASPORTS.edit();
    pasport("BINH").setFloat(25);
    pasport("BINW").setFloat(12.5);
    const ParameterRow& bin = ExportTables()[2].rows[16];
    ASSERT_STREQ(bin.label, "Размеры бина");
    EXPECT_EQ(ParameterValueText(bin, module, GeologyTotals{}), "25X12.5");
}

TEST_F(UnpackTest, EveryParameterRowNamesAPassportFieldAndItsDictionaryAndLabel)
{
    int rows = 0;
    for (const ExportTableDecl& t : ExportTables()) {
        for (const ParameterRow& row : t.rows) {
            SCOPED_TRACE(row.field ? row.field : "");
            EXPECT_FALSE(QByteArray(ParameterLabel(row)).isEmpty());
            if (row.value == ParameterValue::Section || row.value == ParameterValue::GeologyText) continue;
            ++rows;
            ASSERT_NE(FindFieldDecl(PasportsSchema(), row.field), nullptr);
            ASSERT_NE(module.PASPORTS.findField(row.field), nullptr);
            if (row.other) EXPECT_NE(module.PASPORTS.findField(row.other), nullptr) << row.other;
            const bool named = row.value == ParameterValue::DictionaryName || row.value == ParameterValue::MethodName ||
                               row.value == ParameterValue::RegionWithSupplement ||
                               row.value == ParameterValue::StratigraphicRange;
            if (named) EXPECT_NE(module.dict(FindFieldDecl(PasportsSchema(), row.field)->dictionary), nullptr);
        }
    }
    EXPECT_GT(rows, 40);
    // A row without a label of its own shows its field's caption.
    EXPECT_STREQ(ParameterLabel(ExportTables()[0].rows[1]), "Федеральный округ");
}

TEST_F(UnpackTest, GeologyRowsCopyThePageTexts)
{
    addReflectingHorizon("Б", "баженовская");
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    for (const auto& [name, p, s] : {std::tuple{"Ю1", 100.0, 10.0}, std::tuple{"Ю2", 50.0, 5.0}}) {
        addProductHorizon(name);
        h.edit();
        h.fieldByName("UV_ID").setInteger(397);
        h.fieldByName("OILPERSPECTRESOURCEP").setFloat(p);
        h.fieldByName("OILPERSPECTRESOURCES").setFloat(s);
        h.post();
    }
    unpack();
    const ReadSheet geology = table(3);
    EXPECT_EQ(geology.textAt(9, 2), u("горизонтов: 2 (Ю1, Ю2)"));
    EXPECT_EQ(geology.textAt(10, 2), u("горизонтов: 1 (Б)"));
    EXPECT_EQ(geology.textAt(17, 2), u("150"));
    EXPECT_EQ(geology.textAt(18, 2), u("от 105   до 195"));
    EXPECT_EQ(geology.at(12, 2), nullptr); // a zero sum shows empty
    EXPECT_EQ(geology.textAt(11, 1), u("Детерминированный подход"));
    EXPECT_FALSE(geology.at(11, 1)->bold);
}

TEST_F(UnpackTest, ListTablesFollowTheGridsColumnsAndTheTablesOrder)
{
    addReflectingHorizon("А", "первый");
    addReflectingHorizon("Б", "второй");
    module.REFLECT_HORIZONTS.sort("INDEXOG:D"); // sorted on the page: Б before А
    addProductHorizon("Ю1");

    // The user moved the last column of the productive horizons' grid to the front; one of the two
    // recalculation columns is hidden.
    GridLayouts layouts;
    const GridDecl& grid = *FindGrid("JvDBGrid3");
    std::vector<int> order{13};
    for (int i = 0; i < 13; ++i) order.push_back(i);
    layouts.setOrder("JvDBGrid3", order);
    layouts.setHidden("JvDBGrid3", 11, true);
    unpack(&layouts);

    const ReadSheet reflecting = table(4);
    EXPECT_EQ(reflecting.rows, 4); // two records: rows 1 to 4
    QStringList headings;
    for (const GridColumnDecl& c : FindGrid("JvDBGrid1")->columns) headings << QString::fromUtf8(c.title);
    EXPECT_EQ(rowTexts(reflecting, 2), headings);
    EXPECT_TRUE(reflecting.at(2, 13)->bold);
    EXPECT_EQ(reflecting.textAt(3, 1), u("Б"));
    EXPECT_EQ(reflecting.textAt(4, 1), u("А"));
    EXPECT_EQ(reflecting.textAt(4, 4), u("первый"));
    EXPECT_FALSE(reflecting.at(4, 4)->bold);
    EXPECT_EQ(table(5).textAt(3, 1), u("Б")); // the quality table reads the same records

    const ReadSheet productive = table(6);
    EXPECT_EQ(productive.columns, 14); // the hidden column too
    EXPECT_EQ(productive.textAt(2, 1), u("УВ"));
    EXPECT_EQ(productive.textAt(2, 2), QString::fromUtf8(grid.columns[0].title));
    EXPECT_EQ(productive.textAt(2, 13), QString::fromUtf8(grid.columns[11].title));
    EXPECT_EQ(productive.textAt(3, 4), u("Ю1"));
    EXPECT_EQ(productive.rows, 3);

    // The other grids keep their declared order; the horizon's name leads the resource tables.
    const ReadSheet oil = table(7);
    EXPECT_EQ(oil.textAt(2, 1), u("Возможный продуктивный горизонт "));
    EXPECT_EQ(oil.textAt(3, 1), u("Ю1"));

    module.POSIB_PRODUCT_HOR.deleteRecord();
    unpack();
    EXPECT_EQ(table(7).rows, 2); // no records: title and headings only
}

TEST_F(UnpackTest, ResourceTablesShowCalculatedFieldsInTheGeneralFormat)
{
    addProductHorizon("Ю1");
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    h.edit();
    for (const auto& [field, value] : {std::pair{"SQUARENEFTENOSN", 10.0}, {"EFECTOILWIDTH", 5.0},
                                       {"OILKOEFOTKRPORIST", 0.2}, {"KOEFOILNASUSH", 0.7}, {"OILPLOTN", 0.85},
                                       {"OILPERERASCHKOEF", 0.8}})
        h.fieldByName(field).setFloat(value);
    h.post();
    unpack();
    const ReadSheet oil = table(7);
    EXPECT_EQ(oil.textAt(3, 2), u("10"));
    EXPECT_EQ(oil.textAt(3, 4), u("0.2"));
    // CALC_BAL_RES: the text form, not the page's three decimals.
    EXPECT_EQ(oil.textAt(3, 8), QString::fromLatin1(FormatFloatGeneral(10.0 * 5 * 0.2 * 0.7 * 0.85 * 0.8)));
    EXPECT_EQ(oil.at(3, 10), nullptr); // not computed: empty
}

TEST_F(UnpackTest, ContourTableListsEveryHorizonWithItsPointsAsDisplayed)
{
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    addProductHorizon("Ю1");
    h.edit();
    h.fieldByName("KONTURKOORDTYPE").setInteger(1);
    h.post();
    addPoint(Value::real(55.5036), Value::real(7.25));
    addPoint(Value(), Value::real(60));
    addPoint(Value::real(56), Value::real(61));
    addProductHorizon("Ю2");
    h.edit();
    h.fieldByName("KONTURKOORDTYPE").setInteger(2);
    h.post();
    // A resource page's filter hides the second horizon; the export lists all of them.
    h.setFilterText("UV_ID=397");
    h.setFiltered(true);
    unpack();

    const ReadSheet contours = table(13);
    EXPECT_EQ(contours.rows, 1 + 2 + 3 + 2);
    EXPECT_EQ(contours.textAt(2, 1), u("Возможный продуктивный горизонт: Ю1   Тип координат контура:Географическая система "
                                       "координат (градусы/минуты/секунды)"));
    EXPECT_TRUE(contours.at(2, 1)->bold);
    EXPECT_EQ(rowTexts(contours, 3), (QStringList{u("Долгота"), u("Широта")}));
    EXPECT_TRUE(contours.at(3, 2)->bold);
    EXPECT_EQ(rowTexts(contours, 4), (QStringList{u("55°30\"12.960"), u("7°15\"00.000")}));
    EXPECT_FALSE(contours.at(4, 1)->bold);
    EXPECT_EQ(contours.textAt(5, 1), u("0°0\"0")); // an empty coordinate of this type
    EXPECT_EQ(contours.textAt(7, 1), u("Возможный продуктивный горизонт: Ю2   Тип координат контура:Географическая система "
                                       "координат (доли градуса)"));
    EXPECT_EQ(rowTexts(contours, 8), (QStringList{u("Долгота"), u("Широта")}));
    EXPECT_FALSE(h.filtered());
}

TEST_F(UnpackTest, AttachmentsGoToTheirFoldersWithDescriptionLinesInCodePage866)
{
    addAttachment("ТИТУЛЬНЫЙ ЛИСТ.PDF", QByteArray("title page"));
    addAttachment("Рекомендации.doc", QByteArray("recommendations"), "черновик");
    addAttachment("Пояснительная записка.txt", QByteArray("note"));
    addAttachment("To1.png", QByteArray(100000, 'x'), "Карта То");
    addAttachment("Geo1.png", std::nullopt, "без файла"); // no content: an empty file
    addAttachment("../../Обзор.png", QByteArray("map")); // never written outside the folder
    addAttachment("Обзор.PNG", QByteArray("second map"));  // the same name on Windows: numbered

    // An earlier export left a description file where this one has no comments.
    QDir().mkpath(passportFolder());
    WriteFileAtomically(passportFolder() + "/Descript.ion", "\"old\" line\r\n");
    unpack();
    unpack(); // exporting twice gives the same files

    const QString p = passportFolder();
    EXPECT_EQ(readAll(p + u("/ТИТУЛЬНЫЙ ЛИСТ.PDF")), "title page");
    EXPECT_FALSE(QFile::exists(p + "/Descript.ion"));
    EXPECT_EQ(readAll(p + u("/ДОКУМЕНТЫ/Рекомендации.doc")), "recommendations");
    EXPECT_EQ(readAll(p + u("/ДОКУМЕНТЫ/Пояснительная записка.txt")), "note");
    // "Рекомендации.doc" черновик, in code page 866, CR LF.
    EXPECT_EQ(readAll(p + u("/ДОКУМЕНТЫ/Descript.ion")),
              QByteArray("\"\x90\xA5\xAA\xAE\xAC\xA5\xAD\xA4\xA0\xE6\xA8\xA8.doc\" \xE7\xA5\xE0\xAD\xAE\xA2\xA8\xAA\r\n"));
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/To1.png")), QByteArray(100000, 'x'));
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/Geo1.png")), QByteArray());
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/Обзор.png")), "map");
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/Обзор (2).PNG")), "second map");
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/Descript.ion")),
              ToOemText(cp("\"To1.png\" Карта То\r\n\"Geo1.png\" без файла\r\n")));
    QStringList expected{u("ТИТУЛЬНЫЙ ЛИСТ.PDF"), u("ДОКУМЕНТЫ/Descript.ion"), u("ДОКУМЕНТЫ/Пояснительная записка.txt"),
                         u("ДОКУМЕНТЫ/Рекомендации.doc"), u("ГРАФИКА/Descript.ion"), u("ГРАФИКА/Geo1.png"),
                         u("ГРАФИКА/To1.png"), u("ГРАФИКА/Обзор (2).PNG"), u("ГРАФИКА/Обзор.png")};
    for (const ExportTableDecl& t : ExportTables()) expected << u("ТАБЛИЦЫ/") + QString::fromUtf8(t.fileName);
    expected.sort();
    EXPECT_EQ(filesUnder(out.path()), [&] {
        QStringList under;
        for (const QString& f : expected) under << kFolder + '/' + f;
        return under;
    }());
}

TEST_F(UnpackTest, ADamagedAttachmentIsWrittenAsFarAsItDecodesAndReported)
{
    QByteArray member = CompressToGzip(QByteArray(5000, 'a'));
    member[member.size() - 6] ^= 0x55; // the checksum no longer matches
    RecordTable& f = module.FILES;
    f.append();
    f.fieldByName("NAME").setString("Str1.png");
    f.fieldByName("CONTENT").setBytes(member);
    f.post();
    const UnpackedPassportResult result = unpack();
    EXPECT_EQ(result.damaged, QStringList{passportFolder() + u("/ГРАФИКА/Str1.png")});
    EXPECT_TRUE(QFile::exists(result.damaged.value(0)));
}

TEST_F(UnpackTest, TheObjectNameMakesAFolderWhateverItHolds)
{
    pasport("OBJECTNAME").setString("");
    EXPECT_EQ(errorOf([&] { unpack(); }), kNoObjectNameMessage);
    module.PASPORTS.edit();
    pasport("OBJECTNAME").setString(cp("   "));
    EXPECT_EQ(errorOf([&] { unpack(); }), kNoObjectNameMessage);
    EXPECT_TRUE(QDir(out.path()).isEmpty());

    // Characters Windows or Linux refuse in a name, control characters included.
    module.PASPORTS.edit();
    pasport("OBJECTNAME").setString(cp("Север/Юг: \"1\" * ? <2> | C:\\x\x01\x98."));
    const UnpackedPassportResult result = unpack();
    EXPECT_EQ(QFileInfo(result.folder).fileName(), u("ПАСПОРТ ОБЪЕКТА Север_Юг_ _1_ _ _ _2_ _ C__x__"));
    EXPECT_EQ(QFileInfo(result.folder).absolutePath(), QFileInfo(out.path()).absoluteFilePath());
    EXPECT_EQ(filesUnder(result.folder).size(), 15);

    // The longest name the field holds, in Cyrillic, is more than a file name takes in UTF-8.
    module.PASPORTS.edit();
    pasport("OBJECTNAME").setString(QByteArray(128, '\xC6')); // Ж
    const UnpackedPassportResult longName = unpack();
    EXPECT_LE(QFileInfo(longName.folder).fileName().toUtf8().size(), 255);
    EXPECT_TRUE(QFileInfo(longName.folder).fileName().startsWith(u("ПАСПОРТ ОБЪЕКТА ЖЖЖ")));
    EXPECT_EQ(filesUnder(longName.folder).size(), 15);

    EXPECT_EQ(PassportFolderName(cp("Объект ...")), u("ПАСПОРТ ОБЪЕКТА Объект"));
}

TEST_F(UnpackTest, AFailedWriteIsReportedAndNothingGoesOutsideTheFolder)
{
    addAttachment("To1.png", QByteArray("map"));
    addAttachment("Geo1.png", QByteArray("section"), "разрез");
    const QString p = passportFolder();
    QDir().mkpath(p + u("/ГРАФИКА"));

    // A file planted under an attachment's name as a link to a file outside: the link is replaced,
    // the file it pointed to stays as it was.
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("outside.txt");
    WriteFileAtomically(outside, "untouched");
    ASSERT_TRUE(QFile::link(outside, p + u("/ГРАФИКА/To1.png")));
    unpack();
    EXPECT_EQ(readAll(outside), "untouched");
    EXPECT_FALSE(QFileInfo(p + u("/ГРАФИКА/To1.png")).isSymLink());
    EXPECT_EQ(readAll(p + u("/ГРАФИКА/To1.png")), "map");

    // A folder in the way of an attachment: that file fails, everything else is written.
    QFile::remove(p + u("/ГРАФИКА/Geo1.png"));
    QFile::remove(p + u("/ГРАФИКА/Descript.ion"));
    QDir().mkpath(p + u("/ГРАФИКА/Geo1.png/inside"));
    const QStringList before = filesUnder(out.path());
    written.clear();
    const UnpackedPassportResult result = unpack();
    ASSERT_EQ(result.failed.size(), 1);
    EXPECT_EQ(result.failed[0].path, p + u("/ГРАФИКА/Geo1.png"));
    EXPECT_TRUE(result.failed[0].message.startsWith("Stream write error (")) << result.failed[0].message.toStdString();
    EXPECT_FALSE(written.contains(p + u("/ГРАФИКА/Geo1.png")));
    EXPECT_EQ(written.size(), 15 + 1); // the tables and To1.png
    EXPECT_FALSE(QFile::exists(p + u("/ГРАФИКА/Descript.ion"))); // its line comes after the file
    EXPECT_EQ(filesUnder(out.path()), before);
    EXPECT_EQ(filesUnder(elsewhere.path()), QStringList{"outside.txt"});
}

TEST_F(UnpackTest, AttachmentsLeftInAFileTruncatedWhileOpenFailWithTheReasonAndTheRestIsWritten)
{
    // Two attachments that do not compress, so they lie in the file beyond the cut.
    for (const char* name : {"To1.png", "Geo1.png"}) {
        QByteArray noise(200 << 10, Qt::Uninitialized);
        QRandomGenerator(uint(qHash(QByteArray(name)))).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        addAttachment(name, noise);
    }
    QTemporaryDir source;
    const QString file = source.filePath("passport.psp");
    module.SavePassport(file);
    ASSERT_TRUE(module.LoadPassport(file));
    ASSERT_TRUE(QFile::resize(file, 9)); // another program leaves the header alone

    const UnpackedPassportResult result = unpack();
    ASSERT_EQ(result.failed.size(), 2);
    for (const auto& failure : result.failed) {
        EXPECT_TRUE(failure.message.contains(u("изменила или укоротила другая программа"))) << failure.message.toStdString();
        EXPECT_FALSE(QFileInfo::exists(failure.path)) << failure.path.toStdString();
    }
    EXPECT_EQ(written.size(), 15); // every table
}

TEST_F(UnpackTest, FoldersThatCannotBeMadeOrLeadOutsideFailOnlyWhatGoesIntoThem)
{
    addAttachment("To1.png", QByteArray("map"));
    addAttachment("Geo1.png", QByteArray("section"), "разрез");
    addAttachment("Рекомендации.doc", QByteArray("text"));
    const QString p = passportFolder();

    // Files named like the tables and the graphics folder: the documents are still written.
    QDir().mkpath(p);
    WriteFileAtomically(p + u("/ТАБЛИЦЫ"), "a file");
    WriteFileAtomically(p + u("/ГРАФИКА"), "a file");
    UnpackedPassportResult result = unpack();
    QStringList failed;
    for (const UnpackedFailure& f : result.failed) failed << QDir(p).relativeFilePath(f.path) + ": " + f.message;
    EXPECT_EQ(failed, (QStringList{u("ТАБЛИЦЫ: Не удалось создать папку \"%1/ТАБЛИЦЫ\".").arg(p),
                                   u("ГРАФИКА: Не удалось создать папку \"%1/ГРАФИКА\".").arg(p),
                                   u("ГРАФИКА/To1.png: Не удалось создать папку \"%1/ГРАФИКА\".").arg(p),
                                   u("ГРАФИКА/Geo1.png: Не удалось создать папку \"%1/ГРАФИКА\".").arg(p)}));
    EXPECT_EQ(filesUnder(out.path()), QStringList({kFolder + u("/ГРАФИКА"), kFolder + u("/ДОКУМЕНТЫ/Рекомендации.doc"),
                                                   kFolder + u("/ТАБЛИЦЫ")}));

    // Links planted as folders: one leading outside is never written through, one leading
    // inside the chosen folder is an ordinary folder.
    QTemporaryDir elsewhere;
    QDir(p).removeRecursively();
    QDir().mkpath(p);
    QDir().mkpath(out.filePath("inside"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), p + u("/ГРАФИКА")));
    ASSERT_TRUE(QFile::link(out.filePath("inside"), p + u("/ДОКУМЕНТЫ")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("dangling"), p + u("/ТАБЛИЦЫ")));
    result = unpack();
    EXPECT_EQ(result.failed.size(), 1 + 1 + 2);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_EQ(readAll(out.filePath(u("inside/Рекомендации.doc"))), "text");

    // The passport folder itself a link outside: nothing at all is written there.
    QDir(p).removeRecursively();
    QFile::remove(p);
    ASSERT_TRUE(QFile::link(elsewhere.path(), p));
    result = unpack();
    EXPECT_EQ(result.failed.size(), 1 + 3);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
}

TEST_F(UnpackTest, LongNamesThatCollideAreShortenedAndNeverStopTheExport)
{
    // 128 characters, most of them the extension, all Cyrillic: 255 bytes in UTF-8 before a
    // number is added; cleaning makes the two alike.
    const QByteArray ext = QByteArray(126, '\xC6');
    addAttachment("a." + ext, QByteArray("first"));
    addAttachment("a?." + ext, QByteArray("second"));
    addAttachment("To1.png", QByteArray("after"));
    const UnpackedPassportResult result = unpack();
    EXPECT_TRUE(result.failed.isEmpty()) << result.failed.value(0).message.toStdString();
    QStringList graphics = QDir(passportFolder() + u("/ГРАФИКА")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(graphics.size(), 3);
    for (const QString& name : graphics) EXPECT_LE(name.toUtf8().size(), 255) << name.toStdString();
    QStringList contents;
    for (const QString& name : graphics) contents << readAll(passportFolder() + u("/ГРАФИКА/") + name);
    contents.sort();
    EXPECT_EQ(contents, (QStringList{"after", "first", "second"}));
}

TEST_F(UnpackTest, AFailedDescriptionWriteKeepsTheLinesWrittenBefore)
{
    testsupport::ShortOfSpace disk;
    if (disk.how() != "tmpfs") GTEST_SKIP() << "needs a small tmpfs (root)";
    addAttachment("To1.png", QByteArray("one"), "первая");
    addAttachment("To2.png", QByteArray("two"), "вторая");

    // Once the first description line is written, the disk fills up but for one page: room for
    // the second attachment, none for the description file with both lines.
    bool fillNext = false;
    ExportSession session;
    UnpackedPassportOptions options;
    options.directory = disk.folder();
    options.written = [&](const QString& path) { fillNext = fillNext || path.endsWith("Descript.ion"); };
    options.betweenFiles = [&] {
        if (!fillNext) return;
        fillNext = false;
        QFile fill(disk.folder() + "/.fill");
        ASSERT_TRUE(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray zeros(4096, '\0');
        while (fill.write(zeros) > 0) {
        }
        fill.resize(fill.size() - 4096);
    };
    const UnpackedPassportResult result = WriteUnpackedPassport(module, session, options);
    ASSERT_EQ(result.failed.size(), 1);
    EXPECT_EQ(result.failed[0].path, disk.folder() + u("/ПАСПОРТ ОБЪЕКТА Нижнечузикская/ГРАФИКА/Descript.ion"));
    EXPECT_EQ(result.failed[0].message, u("Stream write error (Недостаточно места на диске.)"));
    const QString graphics = disk.folder() + u("/ПАСПОРТ ОБЪЕКТА Нижнечузикская/ГРАФИКА/");
    EXPECT_EQ(readAll(graphics + "To2.png"), "two");
    EXPECT_EQ(readAll(graphics + "Descript.ion"), ToOemText(cp("\"To1.png\" первая\r\n")));
    QFile::remove(disk.folder() + "/.fill");
}

// Through LibreOffice the same cells and bold fonts come out as through the built-in writer, and
// LibreOffice starts once for the whole export.
TEST_F(UnpackTest, LibreOfficeWritesTheSameTablesInOneStart)
{
    addReflectingHorizon("Б", "баженовская");
    addProductHorizon("Ю1");
    addPoint(Value::real(76.5), Value::real(58.25));
    pasport("MAXDISTANCE").setFloat(1234.56789);
    addAttachment("Рекомендации.doc", QByteArray("text"), "черновик");
    unpack();
    std::vector<ReadSheet> excel;
    for (int i = 0; i < 15; ++i) excel.push_back(table(i));

    FakeLibreOffice fake(FakeLibreOffice::delegating());
    written.clear();
    unpack(nullptr, PreferredProgram::Calc);
    EXPECT_EQ(fake.starts(), 1);
    ASSERT_EQ(written.size(), 15 + 2); // the tables once converted, then the attachment and its description
    EXPECT_EQ(written.first(), tablePath(0));
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(ExportTables()[size_t(i)].fileName);
        const ReadSheet calc = table(i);
        EXPECT_EQ(calc.rows, excel[size_t(i)].rows);
        for (const ReadCell& cell : excel[size_t(i)].cells) {
            const ReadCell* same = calc.at(cell.row, cell.column);
            ASSERT_NE(same, nullptr) << cell.row << ", " << cell.column;
            EXPECT_EQ(same->text, cell.text);
            EXPECT_EQ(same->bold, cell.bold);
        }
    }
    // 100 mm is wider than 50 mm, 80 mm wider than 50 mm (LibreOffice gives every column a width).
    for (int i = 0; i < 4; ++i) EXPECT_GT(table(i).widths.at(1), table(i).widths.at(2));
    EXPECT_LT(table(14).widths.at(1), table(14).widths.at(2));
}

TEST_F(UnpackTest, LibreOfficeChosenButMissingFallsBackToTheBuiltInWriterAfterSayingSo)
{
    NoLibreOfficeOnPath none;
    ExportSession session;
    UnpackedPassportOptions options;
    options.directory = out.path();
    options.program = PreferredProgram::Calc;
    QStringList events;
    options.notice = [&](const QString& message) { events << message; };
    options.written = [&](const QString& path) { events << QFileInfo(path).fileName(); };
    const UnpackedPassportResult result = WriteUnpackedPassport(module, session, options);
    EXPECT_TRUE(result.complete());
    ASSERT_EQ(events.size(), 1 + 15);
    EXPECT_EQ(events[0], "TopofCalc.create failed, may be no OpenOffice is installed?");
    EXPECT_EQ(events[1], QString::fromUtf8(ExportTables()[0].fileName));
    EXPECT_EQ(table(0).textAt(1, 1), QString::fromUtf8(ExportTables()[0].title));
}
