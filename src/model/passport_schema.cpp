// The passport record: everything that occurs once per passport.
#include "model/schema_shorthand.h"
#include "model/table_schemas.h"

namespace talvena {

namespace {

using namespace schema;

constexpr LookupDecl kStratigrKrovl{"STRATIGR_KROVL", "Dict16", "NAME"};
constexpr LookupDecl kStratigrPodoshv{"STRATIGR_PODOSHV", "Dict16", "NAME"};

const FieldDecl kPasports[] = {
    {"ID", Int, 0, Dat, Req, NoRule, NoGroup, ""},
    {"INS_DATE", Date, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"EDIT_DATE", Date, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"OBJECTNAME", Str, 128, Dat, Opt, NoRule, NoGroup, "Наименование объекта "},
    {"FEDERALOKRUG_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Федеральный округ"},
    {"REPUBLIC_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Республика"},
    {"KRAI_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Край"},
    {"OBLAST_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Область"},
    {"SHOWINGUPYEAR", Small, 0, Dat, Opt, NoRule, NoGroup, "Год выявления объекта"},
    {"SHOWINGUPMETHOD_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Метод выявления"},
    {"STARTPREPARATIONYEAR", Small, 0, Dat, Opt, Year, NoGroup, "Год начала подготовки"},
    {"ENDPREPARATIONYEAR", Small, 0, Dat, Opt, Year, NoGroup, "Год окончания подготовки"},
    {"PREPARATIONMETHOD_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Метод подготовки"},
    {"PREPARATIONORGANIZATION", Str, 128, Dat, Opt, NoRule, NoGroup, "Организация, подготовившая объект"},
    {"REPORTPREPARATION", Str, 400, Dat, Opt, NoRule, NoGroup, "Название отчета организации, подготовившей объект"},
    {"REPORTYEAR", Small, 0, Dat, Opt, Year, NoGroup, "Год составления отчета"},
    {"REPORTAUTHORS", Str, 128, Dat, Opt, NoRule, NoGroup, "Авторы отчета"},
    {"REPORTSTORINGPLACE", Str, 128, Dat, Opt, NoRule, NoGroup, "Место хранения отчета"},
    {"PREPAREDFUNDYEAR", Small, 0, Dat, Opt, Year, NoGroup, "Год включения в фонд подготовленных объектов"},
    {"AFFILATION_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Какому фонду принадлежит объект"},
    {"LICENSOR", Str, 128, Dat, Opt, NoRule, NoGroup, "Обладатель лицензии (недропользователь)"},
    {"LICENCENUMBER", Str, 128, Dat, Opt, NoRule, NoGroup, "Номер лицензии"},
    {"LICENCETYPE_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Тип лицензии"},
    {"LICENCEREGION", Str, 128, Dat, Opt, NoRule, NoGroup, "Название лицензионного участка"},
    {"SHOOTSCALE", Int, 0, Dat, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"GRIDDENCITY", Flt, 0, Dat, Opt, Pos, NoGroup, "Плотность сети профилей (км/км2)"},
    {"MOGTREPETISHIONS", Int, 0, Dat, Opt, PosInt, NoGroup, "Кратность наблюдений МОГТ"},
    {"MAXDISTANCE", Flt, 0, Dat, Opt, Pos, NoGroup, "Максимальное удаление 'источник-приемник' (м)"},
    {"MINDISTANCE", Flt, 0, Dat, Opt, Pos, NoGroup, "Минимальное удаление 'источник-приемник' (м)"},
    {"RECIVESTEP", Flt, 0, Dat, Opt, Pos, NoGroup, "Расстояние между точками ОГТ (м)"},
    {"DRIVINGTYPE_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Вид источника возбуждения колебаний"},
    {"CHARGELOCATION_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Размещение заряда"},
    {"NONEXPLOSIVETYPE_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Тип невзрывного источника"},
    {"MOGTREPETISHIONS3D", Int, 0, Dat, Opt, PosInt, NoGroup, "Кратность наблюдений МОГТ"},
    {"MAXDISTANCE3D", Flt, 0, Dat, Opt, Pos, NoGroup, "Максимальное удаление 'источник-приемник' (м)"},
    {"MINDISTANCE3D", Flt, 0, Dat, Opt, Pos, NoGroup, "Минимальное удаление 'источник-приемник' (м)"},
    {"RECIVESTEP3D", Flt, 0, Dat, Opt, Pos, NoGroup, "Расстояние между линиями пунктов приема (м)"},
    {"DRIVINGSTEP3D", Flt, 0, Dat, Opt, Pos, NoGroup, "Расстояние между линиями пунктов возбуждения (м)"},
    {"BINH", Flt, 0, Dat, Opt, Pos, NoGroup, "Размеры бина (м)"},
    {"BINW", Flt, 0, Dat, Opt, Pos, NoGroup, "Размеры бина (м)"},
    {"DRIVINGTYPE3D_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Вид источника возбуждения колебаний"},
    {"CHARGELOCATION3D_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Размещение заряда"},
    {"NONEXPLOSIVETYPE3D_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Тип невзрывного источника"},
    {"ELECTROMETHOD", Str, 128, Dat, Opt, NoRule, NoGroup, "Метод электроразведки"},
    {"SHOOTSCALEEL", Int, 0, Dat, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"GRIDDENCITYEL", Flt, 0, Dat, Opt, Pos, NoGroup, "Плотность сети профилей (км/км2)"},
    {"STEPEL", Flt, 0, Dat, Opt, Pos, NoGroup, "Шаг точек наблюдений (м)"},
    {"OTHERMETHOD", Str, 128, Dat, Opt, NoRule, NoGroup, "Название метода"},
    {"SHOOTSCALEOT", Int, 0, Dat, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"GRIDDENCITYOT", Flt, 0, Dat, Opt, Pos, NoGroup, "Плотность наблюдений (км/км2)"},
    {"OBSERVATIONSYSTEM", Str, 128, Dat, Opt, NoRule, NoGroup, "Система наблюдений"},
    {"STEPOT", Flt, 0, Dat, Opt, Pos, NoGroup, "Расстояние между точками наблюдений (м)"},
    {"SHOOTSCALEST", Int, 0, Dat, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"GRIDDENCITYST", Flt, 0, Dat, Opt, Pos, NoGroup, "Плотность сети скважин (скв/км2)"},
    {"INS_USER_ID", Int, 0, Dat, Opt, NoRule, NoGroup, ""},
    {"GEO_PROVINCE_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Нефтегазоносная провинция"},
    {"GEO_OBLAST_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Нефтегазоносная область"},
    {"GEO_RAION_ID", Int, 0, Dat, Opt, NoRule, NoGroup, "Нефтегазоносный район"},
    {"WORKVOLUME", Flt, 0, Dat, Opt, NoRule, NoGroup, "Объем работ по подготовке объекта к глубокому бурению, км"},
    {"WORKPICE", Flt, 0, Dat, Opt, NoRule, NoGroup, "Стоимость работ по подготовке объекта к глубокому бурению, тыс. руб."},
    {"FINANCESOURCE", Str, 128, Dat, Opt, NoRule, NoGroup, "Источник финансирования"},
    {"TOTALPRICE", Flt, 0, Dat, Opt, NoRule, NoGroup, "Общие затраты на выявление и подготовку объекта, тыс. руб."},
    {"TEKTO1P", Str, 128, Dat, Opt, NoRule, NoGroup,
     "Тектонический элемент первого порядка, к которому приурочен подготовленный объект"},
    {"TEKTO2P", Str, 128, Dat, Opt, NoRule, NoGroup,
     "Тектонический элемент второго порядка, к которому приурочен подготовленный объект"},
    {"STRATIGR_KROVL", Int, 0, Dat, Opt, NoRule, NoGroup, "Кровля"},
    {"STRATIGR_PODOSHV", Int, 0, Dat, Opt, NoRule, NoGroup, "Подошва"},
    {"TERMINATIONLICENCE", Str, 128, Dat, Opt, NoRule, NoGroup, "Срок лицензии"},
    {"_STRATIGR_KROVL", Str, 64, Look, Opt, NoRule, NoGroup, "Кровля", kStratigrKrovl},
    {"_STRATIGR_PODOSHV", Str, 64, Look, Opt, NoRule, NoGroup, "Подошва", kStratigrPodoshv},
    {"GEO_PROVINCE_DOP", Str, 80, Dat, Opt, NoRule, NoGroup, ""},
    {"GEO_OBLAST_DOP", Str, 80, Dat, Opt, NoRule, NoGroup, ""},
    {"GEO_RAION_DOP", Str, 80, Dat, Opt, NoRule, NoGroup, ""},
    {"_SHOOTSCALE", Str, 40, Calc, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"_SHOOTSCALEEL", Str, 40, Calc, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"_SHOOTSCALEOT", Str, 40, Calc, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"_SHOOTSCALEST", Str, 40, Calc, Opt, NoRule, NoGroup, "Масштаб съемки"},
    {"OTHERMETHOD2", Str, 128, Dat, Opt, NoRule, NoGroup, ""},
};

} // namespace

std::span<const FieldDecl> PasportsSchema() { return kPasports; }

} // namespace talvena
