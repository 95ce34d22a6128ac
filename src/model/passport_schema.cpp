// The passport record: everything that occurs once per passport.
#include "model/schema_shorthand.h"
#include "model/table_schemas.h"

namespace talvena {

namespace {

using namespace schema;

constexpr LookupDecl kStratigrKrovl{"STRATIGR_KROVL", "Dict16", "NAME"};
constexpr LookupDecl kStratigrPodoshv{"STRATIGR_PODOSHV", "Dict16", "NAME"};

// Captions and hints are those of the form pages. Hints with a no-break space after their first
// comma are written with "\u00A0" there.
const FieldDecl kPasports[] = {
    {"ID", Int, 0, Dat, Req, NoRule, ""},
    {"INS_DATE", Date, 0, Dat, Opt, NoRule, ""},
    {"EDIT_DATE", Date, 0, Dat, Opt, NoRule, ""},
    FieldDecl{"OBJECTNAME", Str, 128, Dat, Opt, NoRule, "Наименование объекта "}
        .hinted("Полное наименование объекта"),
    FieldDecl{"FEDERALOKRUG_ID", Int, 0, Dat, Opt, NoRule, "Федеральный округ"}
        .hinted("Название федерального округа в соответствии с ОКАТО").inDictionary(1),
    FieldDecl{"REPUBLIC_ID", Int, 0, Dat, Opt, NoRule, "Республика"}
        .hinted("Название автономной республики в соответствии с ОКАТО").inDictionary(2),
    FieldDecl{"KRAI_ID", Int, 0, Dat, Opt, NoRule, "Край"}
        .hinted("Название края в соответствии с ОКАТО").inDictionary(3),
    FieldDecl{"OBLAST_ID", Int, 0, Dat, Opt, NoRule, "Область"}
        .hinted("Название области в соответствии с ОКАТО").inDictionary(4),
    FieldDecl{"SHOWINGUPYEAR", Small, 0, Dat, Opt, NoRule, "Год выявления объекта"}
        .hinted("Год выявления объекта, например: 1987 или 2005").limited(kYearLimit),
    FieldDecl{"SHOWINGUPMETHOD_ID", Int, 0, Dat, Opt, NoRule, "Метод выявления"}.inDictionary(5),
    FieldDecl{"STARTPREPARATIONYEAR", Small, 0, Dat, Opt, Year, "Год начала подготовки"}
        .hinted("Год начала подготовки, например: 1987 или 2005").limited(kYearLimit),
    FieldDecl{"ENDPREPARATIONYEAR", Small, 0, Dat, Opt, Year, "Год окончания подготовки"}
        .hinted("Год окончания подготовки, например: 1987 или 2005").limited(kYearLimit),
    FieldDecl{"PREPARATIONMETHOD_ID", Int, 0, Dat, Opt, NoRule, "Метод подготовки"}.inDictionary(5),
    {"PREPARATIONORGANIZATION", Str, 128, Dat, Opt, NoRule, "Организация, подготовившая объект"},
    {"REPORTPREPARATION", Str, 400, Dat, Opt, NoRule, "Название отчета организации, подготовившей объект"},
    FieldDecl{"REPORTYEAR", Small, 0, Dat, Opt, Year, "Год составления отчета"}
        .hinted("Год составления отчета, например: 1987 или 2005").limited(kYearLimit),
    {"REPORTAUTHORS", Str, 128, Dat, Opt, NoRule, "Авторы отчета"},
    {"REPORTSTORINGPLACE", Str, 128, Dat, Opt, NoRule, "Место хранения отчета"},
    FieldDecl{"PREPAREDFUNDYEAR", Small, 0, Dat, Opt, Year, "Год включения в фонд подготовленных объектов"}
        .hinted("Год включения в фонд подготовленных объектов, например: 1987 или 2005").limited(kYearLimit),
    FieldDecl{"AFFILATION_ID", Int, 0, Dat, Opt, NoRule, "Какому фонду принадлежит объект"}.inDictionary(6),
    FieldDecl{"LICENSOR", Str, 128, Dat, Opt, NoRule, "Обладатель лицензии (недропользователь)"}
        .hinted("Название организации (компания, акционерное общество, предприятие, трест и др.),  "
                "(частная, государственная, с участием государства), принадлежность органу "
                "государственного управления (министерство, агентство и др.)"),
    {"LICENCENUMBER", Str, 128, Dat, Opt, NoRule, "Номер лицензии"},
    FieldDecl{"LICENCETYPE_ID", Int, 0, Dat, Opt, NoRule, "Тип лицензии"}.inDictionary(7),
    {"LICENCEREGION", Str, 128, Dat, Opt, NoRule, "Название лицензионного участка"},
    {"SHOOTSCALE", Int, 0, Dat, Opt, NoRule, "Масштаб съемки"},
    FieldDecl{"GRIDDENCITY", Flt, 0, Dat, Opt, Pos, "Плотность сети профилей (км/км2)"}
        .hinted("Плотность сети профилей, в км/км^2").limited(kMethodLimit),
    FieldDecl{"MOGTREPETISHIONS", Int, 0, Dat, Opt, PosInt, "Кратность наблюдений МОГТ"}
        .hinted("Кратность наблюдений МОГТ, например: 6, 12, 24, 48 и др.").limited(kMethodLimit),
    FieldDecl{"MAXDISTANCE", Flt, 0, Dat, Opt, Pos, "Максимальное удаление 'источник-приемник' (м)"}
        .hinted("Максимальное удаление ''источник-приемник'',\u00A0в м. например: 3000").limited(kMethodLimit),
    FieldDecl{"MINDISTANCE", Flt, 0, Dat, Opt, Pos, "Минимальное удаление 'источник-приемник' (м)"}
        .hinted("Минимальное удаление 'источник-приемник',\u00A0в м. например: 50").limited(kMethodLimit),
    FieldDecl{"RECIVESTEP", Flt, 0, Dat, Opt, Pos, "Расстояние между точками ОГТ (м)"}
        .hinted("Расстояние между точками ОГТ в м. Например: 50").limited(kMethodLimit),
    FieldDecl{"DRIVINGTYPE_ID", Int, 0, Dat, Opt, NoRule, "Вид источника возбуждения колебаний"}
        .withoutHint().inDictionary(8),
    FieldDecl{"CHARGELOCATION_ID", Int, 0, Dat, Opt, NoRule, "Размещение заряда"}
        .withoutHint().inDictionary(9),
    FieldDecl{"NONEXPLOSIVETYPE_ID", Int, 0, Dat, Opt, NoRule, "Тип невзрывного источника"}
        .withoutHint().inDictionary(10),
    FieldDecl{"MOGTREPETISHIONS3D", Int, 0, Dat, Opt, PosInt, "Кратность наблюдений МОГТ"}
        .hinted("Кратность наблюдений МОГТ, например: 6, 12, 24, 48 и др.").limited(kMethodLimit),
    FieldDecl{"MAXDISTANCE3D", Flt, 0, Dat, Opt, Pos, "Максимальное удаление 'источник-приемник' (м)"}
        .hinted("Максимальное удаление 'источник-приемник',\u00A0в м. например: 3000").limited(kMethodLimit),
    FieldDecl{"MINDISTANCE3D", Flt, 0, Dat, Opt, Pos, "Минимальное удаление 'источник-приемник' (м)"}
        .hinted("Минимальное удаление 'источник-приемник',\u00A0в м. например: 30").limited(kMethodLimit),
    FieldDecl{"RECIVESTEP3D", Flt, 0, Dat, Opt, Pos, "Расстояние между линиями пунктов приема (м)"}
        .hinted("Расстояние между линиями пунктов приема,\u00A0в м. например: 30").limited(kMethodLimit),
    FieldDecl{"DRIVINGSTEP3D", Flt, 0, Dat, Opt, Pos, "Расстояние между линиями пунктов возбуждения (м)"}
        .hinted("Расстояние между линиями пунктов возбуждения,\u00A0в м. например: 30").limited(kMethodLimit),
    FieldDecl{"BINH", Flt, 0, Dat, Opt, Pos, "Размеры бина (м)"}
        .hinted("высота в м, например: 50").limited(kMethodLimit),
    FieldDecl{"BINW", Flt, 0, Dat, Opt, Pos, "Размеры бина (м)"}
        .hinted("ширина в м, например: 50").limited(kMethodLimit),
    FieldDecl{"DRIVINGTYPE3D_ID", Int, 0, Dat, Opt, NoRule, "Вид источника возбуждения колебаний"}
        .withoutHint().inDictionary(8),
    FieldDecl{"CHARGELOCATION3D_ID", Int, 0, Dat, Opt, NoRule, "Размещение заряда"}
        .withoutHint().inDictionary(9),
    FieldDecl{"NONEXPLOSIVETYPE3D_ID", Int, 0, Dat, Opt, NoRule, "Тип невзрывного источника"}
        .withoutHint().inDictionary(10),
    FieldDecl{"ELECTROMETHOD", Str, 128, Dat, Opt, NoRule, "Метод электроразведки"},
    {"SHOOTSCALEEL", Int, 0, Dat, Opt, NoRule, "Масштаб съемки"},
    FieldDecl{"GRIDDENCITYEL", Flt, 0, Dat, Opt, Pos, "Плотность сети профилей (км/км2)"}
        .hinted("Плотность сети профилей,\u00A0в км/км^2").limited(kMethodLimit),
    FieldDecl{"STEPEL", Flt, 0, Dat, Opt, Pos, "Шаг точек наблюдений (м)"}
        .hinted("Шаг точек наблюдений,\u00A0в м. например: 20").limited(kMethodLimit),
    FieldDecl{"OTHERMETHOD", Str, 128, Dat, Opt, NoRule, "Название метода"},
    {"SHOOTSCALEOT", Int, 0, Dat, Opt, NoRule, "Масштаб съемки"},
    FieldDecl{"GRIDDENCITYOT", Flt, 0, Dat, Opt, Pos, "Плотность наблюдений (км/км2)"}
        .hinted("Плотность наблюдений,\u00A0в км/км^2").limited(kMethodLimit),
    FieldDecl{"OBSERVATIONSYSTEM", Str, 128, Dat, Opt, NoRule, "Система наблюдений"},
    FieldDecl{"STEPOT", Flt, 0, Dat, Opt, Pos, "Расстояние между точками наблюдений (м)"}
        .hinted("Расстояние между точками наблюдений").limited(kMethodLimit),
    {"SHOOTSCALEST", Int, 0, Dat, Opt, NoRule, "Масштаб съемки"},
    FieldDecl{"GRIDDENCITYST", Flt, 0, Dat, Opt, Pos, "Плотность сети скважин (скв/км2)"}
        .hinted("Плотность сети скважин, число скважин на 1 км^2. Например: 4").limited(kMethodLimit),
    {"INS_USER_ID", Int, 0, Dat, Opt, NoRule, ""},
    FieldDecl{"GEO_PROVINCE_ID", Int, 0, Dat, Opt, NoRule, "Нефтегазоносная провинция"}.inDictionary(11),
    FieldDecl{"GEO_OBLAST_ID", Int, 0, Dat, Opt, NoRule, "Нефтегазоносная область"}.inDictionary(12),
    FieldDecl{"GEO_RAION_ID", Int, 0, Dat, Opt, NoRule, "Нефтегазоносный район"}.inDictionary(13),
    {"WORKVOLUME", Flt, 0, Dat, Opt, NoRule, "Объем работ по подготовке объекта к глубокому бурению, км"},
    {"WORKPICE", Flt, 0, Dat, Opt, NoRule, "Стоимость работ по подготовке объекта к глубокому бурению, тыс. руб."},
    {"FINANCESOURCE", Str, 128, Dat, Opt, NoRule, "Источник финансирования"},
    {"TOTALPRICE", Flt, 0, Dat, Opt, NoRule, "Общие затраты на выявление и подготовку объекта, тыс. руб."},
    FieldDecl{"TEKTO1P", Str, 128, Dat, Opt, NoRule,
     "Тектонический элемент первого порядка,\nк которому приурочен подготовленный объект"}
        .hinted("Тектонический элемент первого порядка, к которому приурочен подготовленный объект. В "
                "соответствии с принятой в регионе схемой тектонического районирования."),
    FieldDecl{"TEKTO2P", Str, 128, Dat, Opt, NoRule,
     "Тектонический элемент второго порядка,\nк которому приурочен подготовленный объект"}
        .hinted("Тектонический элемент второго порядка, к которому приурочен подготовленный объект. В "
                "соответствии с принятой в регионе схемой тектонического районирования."),
    FieldDecl{"STRATIGR_KROVL", Int, 0, Dat, Opt, NoRule, "Кровля"}.inDictionary(16),
    FieldDecl{"STRATIGR_PODOSHV", Int, 0, Dat, Opt, NoRule, "Подошва"}.inDictionary(16),
    FieldDecl{"TERMINATIONLICENCE", Str, 128, Dat, Opt, NoRule, "Срок лицензии"}
        .withoutHint(),
    FieldDecl{"_STRATIGR_KROVL", Str, 64, Look, Opt, NoRule, "Кровля", kStratigrKrovl}
        .hinted("Стратиграфический индекс кровли"),
    FieldDecl{"_STRATIGR_PODOSHV", Str, 64, Look, Opt, NoRule, "Подошва", kStratigrPodoshv}
        .hinted("Стратиграфический индекс подошвы"),
    FieldDecl{"GEO_PROVINCE_DOP", Str, 80, Dat, Opt, NoRule, ""}
        .hinted("Нефтегазоносная провинция в случае её отсутствия в классификаторе"),
    FieldDecl{"GEO_OBLAST_DOP", Str, 80, Dat, Opt, NoRule, ""}
        .hinted("Нефтегазоносная область в случае её отсутствия в классификаторе"),
    FieldDecl{"GEO_RAION_DOP", Str, 80, Dat, Opt, NoRule, ""}
        .hinted("Нефтегазоносный район в случае его отсутствия в классификаторе"),
    {"_SHOOTSCALE", Str, 40, Calc, Opt, NoRule, "Масштаб съемки"},
    {"_SHOOTSCALEEL", Str, 40, Calc, Opt, NoRule, "Масштаб съемки"},
    {"_SHOOTSCALEOT", Str, 40, Calc, Opt, NoRule, "Масштаб съемки"},
    {"_SHOOTSCALEST", Str, 40, Calc, Opt, NoRule, "Масштаб съемки"},
    FieldDecl{"OTHERMETHOD2", Str, 128, Dat, Opt, NoRule, ""}
        .hinted("Название \"другого\" метода"),
};

} // namespace

std::span<const FieldDecl> PasportsSchema() { return kPasports; }

} // namespace talvena
