#include "export/export_layouts.h"

namespace talvena {

namespace {

using V = ParameterValue;

constexpr ParameterRow Section(const char* heading) { return {heading}; }
constexpr ParameterRow Text(const char* label, const char* field) { return {label, V::Text, field}; }
constexpr ParameterRow Number(const char* label, const char* field) { return {label, V::Number, field}; }
constexpr ParameterRow Name(const char* label, const char* field, int dictionary)
{
    return {label, V::DictionaryName, field, dictionary};
}
constexpr ParameterRow Method(const char* label, const char* field, const char* otherText)
{
    return {label, V::MethodName, field, 5, otherText};
}
constexpr ParameterRow Region(const char* label, const char* field, int dictionary, const char* supplement)
{
    return {label, V::RegionWithSupplement, field, dictionary, supplement};
}
constexpr ParameterRow Geology(const char* label, const char* valueLabel) { return {label, V::GeologyText, valueLabel}; }

constexpr ParameterRow kGeography[] = {
    Text("Наименование объекта", "OBJECTNAME"),
    Name("Федеральный округ", "FEDERALOKRUG_ID", 1),
    Name("Республика", "REPUBLIC_ID", 2),
    Name("Край", "KRAI_ID", 3),
    Name("Область", "OBLAST_ID", 4),
};

constexpr ParameterRow kHistory[] = {
    Text("Год выявления объекта", "SHOWINGUPYEAR"),
    Method("Метод выявления", "SHOWINGUPMETHOD_ID", "OTHERMETHOD2"),
    Text("Год начала подготовки", "STARTPREPARATIONYEAR"),
    Text("Год окончания подготовки", "ENDPREPARATIONYEAR"),
    Method("Метод подготовки", "PREPARATIONMETHOD_ID", "OTHERMETHOD"),
    Text("Организация, подготовившая объект", "PREPARATIONORGANIZATION"),
    Text("Название отчета организации, подготовившей объект", "REPORTPREPARATION"),
    Text("Год составления отчета", "REPORTYEAR"),
    Text("Авторы отчета", "REPORTAUTHORS"),
    Text("Место хранения отчета", "REPORTSTORINGPLACE"),
    Text("Год включения в фонд подготовленных объектов", "PREPAREDFUNDYEAR"),
    Name("Какому фонду принадлежит объект", "AFFILATION_ID", 6),
    Text("Обладатель лицензии", "LICENSOR"),
    Text("Номер лицензии", "LICENCENUMBER"),
    Name("Тип лицензии", "LICENCETYPE_ID", 7),
    Text("Срок лицензии", "TERMINATIONLICENCE"),
    Text("Название лицензионного участка", "LICENCEREGION"),
};

constexpr ParameterRow kMethods[] = {
    Section("Сейсморазведка 2d"),
    Text("Масштаб съемки", "_SHOOTSCALE"),
    Number("Плотность сети профилей", "GRIDDENCITY"),
    Text("Кратность наблюдений МОГТ", "MOGTREPETISHIONS"),
    Number("Максимальное удаление \"источник-приемник\"", "MAXDISTANCE"),
    Number("Минимальное удаление \"источник-приемник\"", "MINDISTANCE"),
    Number("Расстояние между точками ОГТ", "RECIVESTEP"),
    Name("Вид источника возбуждения колебаний", "DRIVINGTYPE_ID", 8),
    Name("Размещение заряда", "CHARGELOCATION_ID", 9),
    Name("Тип невзрывного источника", "NONEXPLOSIVETYPE_ID", 10),
    Section("Сейсморазведка 3d"),
    Text("Кратность наблюдений МОГТ", "MOGTREPETISHIONS3D"),
    Number("Максимальное удаление \"источник-приемник\"", "MAXDISTANCE3D"),
    Number("Минимальное удаление \"источник-приемник\"", "MINDISTANCE3D"),
    Number("Расстояние между линиями пунктов приема", "RECIVESTEP3D"),
    Number("Расстояние между линиями пунктов возбуждения", "DRIVINGSTEP3D"),
    {"Размеры бина", V::BinSize, "BINH", 0, "BINW"},
    Name("Вид источника возбуждения колебаний", "DRIVINGTYPE3D_ID", 8),
    Name("Размещение заряда", "CHARGELOCATION3D_ID", 9),
    Name("Тип невзрывного источника", "NONEXPLOSIVETYPE3D_ID", 10),
    Section("Электроразведка"),
    Text("Метод электроразведки", "ELECTROMETHOD"),
    Text("Масштаб съемки", "_SHOOTSCALEEL"),
    Number("Плотность сети профилей", "GRIDDENCITYEL"),
    Number("Шаг точек наблюдений", "STEPEL"),
    Section("Другой геофизический метод"),
    Text("Название метода", "OTHERMETHOD"),
    Text("Масштаб съемки", "_SHOOTSCALEOT"),
    Number("Плотность наблюдений", "GRIDDENCITYOT"),
    Text("Система наблюдений", "OBSERVATIONSYSTEM"),
    Number("Расстояние между точками наблюдений", "STEPOT"),
    Section("Структурное бурение"),
    Text("Масштаб съемки", "_SHOOTSCALEST"),
    // The general number format here, unlike the other measurements of the table.
    Text("Плотность сети скважин", "GRIDDENCITYST"),
};

// Rows from "Продуктивные горизонты" on copy the Geology page: its captions and value labels.
constexpr ParameterRow kGeology[] = {
    Region("Нефтегазоносная провинция", "GEO_PROVINCE_ID", 11, "GEO_PROVINCE_DOP"),
    Region("Нефтегазоносная область", "GEO_OBLAST_ID", 12, "GEO_OBLAST_DOP"),
    Region("Нефтегазоносный район", "GEO_RAION_ID", 13, "GEO_RAION_DOP"),
    Text("Тектонический элемент первого порядка, к которому приурочен подготовленный объект", "TEKTO1P"),
    Text("Тектонический элемент второго порядка, к которому приурочен подготовленный объект", "TEKTO2P"),
    {"Стратиграфический диапазон", V::StratigraphicRange, "STRATIGR_KROVL", 16, "STRATIGR_PODOSHV"},
    Geology("Продуктивные горизонты", "Label29"),
    Geology("Отражающие горизонты, по которым подготовлен объект", "Label71"),
    Section("Детерминированный подход"),
    Geology("Перспективные ресурсы категории С3 нефти, млн.т", "Label72"),
    Geology("Перспективные ресурсы категории С3 растворенного газа, млн. м3", "Label73"),
    Geology("Перспективные ресурсы категории С3 газа, млн. м3", "Label74"),
    Geology("Перспективные ресурсы категории С3 газоконденсата, млн.т", "Label75"),
    Section("Вероятностный подход"),
    Geology("Наиболее вероятная величина перспективных ресурсов нефти (извлекаемых), млн.т", "Label93"),
    Geology("Возможные пределы изменения перспективных ресурсов нефти (извлекаемых),  млн.т", "Label95"),
    Geology("Наиболее вероятная величина перспективных ресурсов растворенного газа, млн.м3", "Label97"),
    Geology("Возможные пределы изменения перспективных ресурсов растворенного газа, млн.м3", "Label99"),
    Geology("Наиболее вероятная величина перспективных ресурсов газа, млн.м3", "Label102"),
    Geology("Возможные пределы изменения перспективных ресурсов газа, млн.м3", "Label101"),
    Geology("Наиболее вероятная величина перспективных ресурсов газоконденсата (извлекаемых), млн.т", "Label106"),
    Geology("Возможные пределы изменения перспективных ресурсов газоконденсата (извлекаемых), млн.т", "Label105"),
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

} // namespace talvena
