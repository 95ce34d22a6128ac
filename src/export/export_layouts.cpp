#include "export/export_layouts.h"

#include "model/resources.h"
#include "model/table_schemas.h"

namespace talvena {

namespace {

using V = ParameterValue;

constexpr ParameterRow Section(const char* heading) { return {heading}; }
// The makers ending in "Of" label the row with the field's caption.
constexpr ParameterRow Text(const char* label, const char* field) { return {label, V::Text, field}; }
constexpr ParameterRow TextOf(const char* field) { return Text(nullptr, field); }
constexpr ParameterRow Number(const char* label, const char* field) { return {label, V::Number, field}; }
constexpr ParameterRow NumberOf(const char* field) { return Number(nullptr, field); }
constexpr ParameterRow Name(const char* label, const char* field) { return {label, V::DictionaryName, field}; }
constexpr ParameterRow NameOf(const char* field) { return Name(nullptr, field); }
constexpr ParameterRow MethodOf(const char* field, const char* otherText)
{
    return {nullptr, V::MethodName, field, otherText};
}
constexpr ParameterRow RegionOf(const char* field, const char* supplement)
{
    return {nullptr, V::RegionWithSupplement, field, supplement};
}
// A value label of the Geology page, with the page's caption.
constexpr ParameterRow Geology(const char* valueLabel) { return {nullptr, V::GeologyText, valueLabel}; }

constexpr ParameterRow kGeography[] = {
    Text("Наименование объекта", "OBJECTNAME"),
    NameOf("FEDERALOKRUG_ID"),
    NameOf("REPUBLIC_ID"),
    NameOf("KRAI_ID"),
    NameOf("OBLAST_ID"),
};

constexpr ParameterRow kHistory[] = {
    TextOf("SHOWINGUPYEAR"),
    MethodOf("SHOWINGUPMETHOD_ID", "OTHERMETHOD2"),
    TextOf("STARTPREPARATIONYEAR"),
    TextOf("ENDPREPARATIONYEAR"),
    MethodOf("PREPARATIONMETHOD_ID", "OTHERMETHOD"),
    TextOf("PREPARATIONORGANIZATION"),
    TextOf("REPORTPREPARATION"),
    TextOf("REPORTYEAR"),
    TextOf("REPORTAUTHORS"),
    TextOf("REPORTSTORINGPLACE"),
    TextOf("PREPAREDFUNDYEAR"),
    NameOf("AFFILATION_ID"),
    Text("Обладатель лицензии", "LICENSOR"),
    TextOf("LICENCENUMBER"),
    NameOf("LICENCETYPE_ID"),
    TextOf("TERMINATIONLICENCE"),
    TextOf("LICENCEREGION"),
};

constexpr ParameterRow kMethods[] = {
    Section("Сейсморазведка 2d"),
    TextOf("_SHOOTSCALE"),
    Number("Плотность сети профилей", "GRIDDENCITY"),
    TextOf("MOGTREPETISHIONS"),
    Number("Максимальное удаление \"источник-приемник\"", "MAXDISTANCE"),
    Number("Минимальное удаление \"источник-приемник\"", "MINDISTANCE"),
    Number("Расстояние между точками ОГТ", "RECIVESTEP"),
    NameOf("DRIVINGTYPE_ID"),
    NameOf("CHARGELOCATION_ID"),
    NameOf("NONEXPLOSIVETYPE_ID"),
    Section("Сейсморазведка 3d"),
    TextOf("MOGTREPETISHIONS3D"),
    Number("Максимальное удаление \"источник-приемник\"", "MAXDISTANCE3D"),
    Number("Минимальное удаление \"источник-приемник\"", "MINDISTANCE3D"),
    Number("Расстояние между линиями пунктов приема", "RECIVESTEP3D"),
    Number("Расстояние между линиями пунктов возбуждения", "DRIVINGSTEP3D"),
    {"Размеры бина", V::BinSize, "BINH", "BINW"},
    NameOf("DRIVINGTYPE3D_ID"),
    NameOf("CHARGELOCATION3D_ID"),
    NameOf("NONEXPLOSIVETYPE3D_ID"),
    Section("Электроразведка"),
    TextOf("ELECTROMETHOD"),
    TextOf("_SHOOTSCALEEL"),
    Number("Плотность сети профилей", "GRIDDENCITYEL"),
    Number("Шаг точек наблюдений", "STEPEL"),
    Section("Другой геофизический метод"),
    TextOf("OTHERMETHOD"),
    TextOf("_SHOOTSCALEOT"),
    Number("Плотность наблюдений", "GRIDDENCITYOT"),
    TextOf("OBSERVATIONSYSTEM"),
    Number("Расстояние между точками наблюдений", "STEPOT"),
    Section("Структурное бурение"),
    TextOf("_SHOOTSCALEST"),
    // The general number format here, unlike the other measurements of the table.
    Text("Плотность сети скважин", "GRIDDENCITYST"),
};

// Rows from "Продуктивные горизонты" on copy the Geology page: its captions and value labels.
constexpr ParameterRow kGeology[] = {
    RegionOf("GEO_PROVINCE_ID", "GEO_PROVINCE_DOP"),
    RegionOf("GEO_OBLAST_ID", "GEO_OBLAST_DOP"),
    RegionOf("GEO_RAION_ID", "GEO_RAION_DOP"),
    Text("Тектонический элемент первого порядка, к которому приурочен подготовленный объект", "TEKTO1P"),
    Text("Тектонический элемент второго порядка, к которому приурочен подготовленный объект", "TEKTO2P"),
    {"Стратиграфический диапазон", V::StratigraphicRange, "STRATIGR_KROVL", "STRATIGR_PODOSHV"},
    Geology("Label29"),
    Geology("Label71"),
    Section("Детерминированный подход"),
    Geology("Label72"),
    Geology("Label73"),
    Geology("Label74"),
    Geology("Label75"),
    Section("Вероятностный подход"),
    Geology("Label93"),
    Geology("Label95"),
    Geology("Label97"),
    Geology("Label99"),
    Geology("Label102"),
    Geology("Label101"),
    Geology("Label106"),
    Geology("Label105"),
};

using K = ExportTableKind;

constexpr ExportTableDecl Parameters(const char* file, const char* title, std::span<const ParameterRow> rows)
{
    return {file, title, K::Parameters, 100, 50, rows};
}
constexpr ExportTableDecl List(const char* file, const char* title, const char* grid)
{
    return {file, title, K::List, 0, 0, {}, grid};
}

// The letters а and б of 8а … 10б are Cyrillic.
constexpr ExportTableDecl kTables[] = {
    Parameters("Таблица 1 География.xls", "Таблица 1. \"География\"", kGeography),
    Parameters("Таблица 2 История.xls", "Таблица 2. \"История\"", kHistory),
    Parameters("Таблица 3 Методика.xls", "Таблица 3. \"Методика\"", kMethods),
    Parameters("Таблица 4 Геология.xls", "Таблица 4. \"Геология\"", kGeology),
    List("Таблица 5 Отражающие горизонты.xls", "Таблица 5. \"Отражающие горизонты (ОГ)\"", "JvDBGrid1"),
    List("Таблица 6 Качество.xls", "Таблица 6. \"Качество\"", "JvDBGrid2"),
    List("Таблица 7 Возможные продуктивные горизонты.xls", "Таблица 7. \"Возможные продуктивные горизонты (ВПГ)\"",
         "JvDBGrid3"),
    List("Таблица 8а Ресурсы нефти.xls", "Таблица 8а. \"Ресурсы нефти\"", "JvDBGrid4"),
    List("Таблица 8б Ресурсы нефти.xls", "Таблица 8б. \"Ресурсы нефти\"", "JvDBGrid5"),
    List("Таблица 9а Ресурсы газа.xls", "Таблица 9а. \"Ресурсы газа\"", "JvDBGrid6"),
    List("Таблица 9б Ресурсы газа.xls", "Таблица 9б. \"Ресурсы газа\"", "JvDBGrid7"),
    List("Таблица 10а Ресурсы газоконденсата.xls", "Таблица 10а. \"Ресурсы газоконденсата\"", "JvDBGrid8"),
    List("Таблица 10б Ресурсы газоконденсата.xls", "Таблица 10б. \"Ресурсы газоконденсата\"", "JvDBGrid9"),
    {"Таблица 11 Контуры ловушек.xls", "Таблица 11. \"Контуры ловушек\"", K::Contours, 0, 0, {}},
    {"Таблица 12 Экономика.xls", "Таблица 12. \"Экономика\"", K::TitleOnly, 50, 80, {}},
};

} // namespace

std::span<const ExportTableDecl> ExportTables() { return kTables; }

const char* ParameterLabel(const ParameterRow& row)
{
    if (row.label) return row.label;
    if (row.value == ParameterValue::GeologyText) return GeologyLabelCaption(row.field);
    const FieldDecl* decl = FindFieldDecl(PasportsSchema(), row.field);
    return decl ? decl->caption : "";
}

} // namespace talvena
