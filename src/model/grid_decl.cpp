#include "model/grid_decl.h"

#include <algorithm>
#include <cstring>

namespace talvena {

namespace {

using K = ColumnKind;

constexpr GridColumnDecl Col(const char* field, const char* title) { return {field, title}; }
constexpr GridColumnDecl RO(const char* field, const char* title) { return {field, title, K::ReadOnly}; }
constexpr GridColumnDecl Lookup(const char* field, const char* title) { return {field, title, K::Lookup}; }
constexpr GridColumnDecl Calc(const char* field, const char* title) { return {field, title, K::Calculated}; }
// The stratigraphic column sorts by the index's place in the stratigraphic scale, not its text.
constexpr GridColumnDecl Stratigraphic(const char* title)
{
    return {"_stratigr_id", title, K::Picker, PickerKind::StratigraphicIndex, "STRATIGR_ID", "_stratigr_id_"};
}
constexpr GridColumnDecl Scale(const char* title) { return {"_scale", title, K::Picker, PickerKind::Scale, "SCALE"}; }

// The horizon shown at the left of every resource grid.
constexpr GridColumnDecl kHorizon = RO("STRATIGRSVIT", "Возможный продуктивный горизонт ");

constexpr GridColumnDecl kGrid1[] = {
    Col("INDEXOG", "Индекс ОГ"),
    Stratigraphic("Стратиграфическая приуроченность ОГ"),
    Col("STRATIGR_DOP", "Стратиграфическая приуроченность нестандартная"),
    Col("STRATIGRSVIT", "Горизонт (свита, толща) по местной классификации"),
    Lookup("_traptype_id", "Тип ловушки"),
    Lookup("_screentype_id", "Тип экрана"),
    Scale("Масштаб структурной карты"),
    Col("SECHENIE", "Сечение изолиний (м)"),
    Col("IZOGIPSMARK", "Отметка последней замкнутой изогипсы (м)"),
    Col("SQUARE", "Площадь (кв.км.)"),
    Col("AMPLITUDE", "Амплитуда (м)"),
    Col("LONGAXIS", "Длинная ось (км)"),
    Col("SHORTAXIS", "Короткая ось (км)"),
};

constexpr GridColumnDecl kGrid2[] = {
    RO("INDEXOG", "Индекс ОГ"),
    Col("KOEFPROSL", "Коэффициент прослеживаемости горизонта p"),
    Col("POSTRPRESICION", "Точность построений (м)"),
    Col("KORRADIUS", "Радиус корреляционной погрешности lambda н (км)"),
    Col("APRIORVEROYATN", "Априорная вероятность структуры P(1)"),
    Col("ZNACHFUNC", "Значение функции alfa/2"),
    Col("VEROYATNSTRUCT", "Вероятность существования структуры ro"),
    Col("POGRSVOD", "Погрешность положения свода roX0 (км)"),
    Col("POGRSVODY", "Погрешность положения свода roY0 (км)"),
    Col("POGRAMPL", "Погрешность определения амплитуды roA (м)"),
    Col("POGRSQUARE", "Погрешность определения площади roS (кв.км.)"),
};

constexpr GridColumnDecl kGrid3[] = {
    Stratigraphic("Стратиграфическая приуроченность продуктивного горизонта"),
    Col("STRATIGR_DOP", "Стратиграфическая приуроченность нестандартная"),
    Col("STRATIGRSVIT", "Горизонт (свита, толща) по местной классификации"),
    Scale("Масштаб структурной карты"),
    Col("SECHENIE", "Сечение изолиний. (м)"),
    Col("IZOGIPSMARK", "Отметка последней замкнутой изогипсы. (м)"),
    Col("POSIBLESQUARE", "Площадь возможной залежи. (кв.км.)"),
    Col("AMPLITUDE", "Амплитуда (м)"),
    Col("LONGAXIS", "Длинная ось (км)"),
    Col("SHORTAXIS", "Короткая ось (км)"),
    Lookup("_REFLECTHOR_ID", "ОГ, по которому осуществлялся пересчет."),
    Col("STRUCTOGNEW", "Горизонт, по которому осуществлялся пересчет"),
    Lookup("_COLLECTORTYPE_ID", "Тип коллектора"),
    Lookup("_UV_ID", "УВ"),
};

constexpr GridColumnDecl kGrid4[] = {
    kHorizon,
    Col("SQUARENEFTENOSN", "Площадь нефтеносности, (кв.км.)"),
    Col("EFECTOILWIDTH", "Эффективная нефтенасыщенная толщина (м)"),
    Col("OILKOEFOTKRPORIST", "Коэффициент открытой пористости (доли единицы)"),
    Col("KOEFOILNASUSH", "Коэффициент нефтенасыщенности (доли единицы)"),
    Col("OILPLOTN", "Плотность нефти на поверхности (т/м3)"),
    Col("OILPERERASCHKOEF", "Перерасчетный коэффициент (доли единицы)"),
    Calc("CALC_BAL_RES", "Балансовые ресурсы (млн.т)"),
    Col("KOEFOILIZVL", "Коэффициент извлечения нефти (доли единицы)"),
    Calc("CALC_PERSP_RES", "Перспективные ресурсы (извлекаемые) (млн.т)"),
    Col("OILGAZFACTOR", "Газовый фактор (м3/т)"),
    Calc("CALC_PERSP_RES_RGAZ", "Перспективные ресурсы (извлекаемые)растворенного газа (млн. м3)"),
};

constexpr GridColumnDecl kGrid5[] = {
    kHorizon,
    Col("OILSQUAREMIN", "Минимальная площадь нефтеносности (км2)"),
    Col("OILSQUAREMAX", "Максимальная площадь нефтеносности (км2)"),
    Col("OILWIDTHMIN", "Минимальная эффективная нефтенасыщенная толщина (м)"),
    Col("OILWIDTHMAX", "Максимальная нефтенасыщенная толщина (м)"),
    Col("OILKOEFOTKRPORMIN", "Минимальный коэффициент открытой пористости (доли единицы)"),
    Col("OILKOEFOTKRPORMAX", "Максимальный коэффициент открытой пористости (доли единицы)"),
    Col("OILNASUSHMIN", "Минимальный коэффициент нефтенасыщенности (доли единицы)"),
    Col("OILNASUSHMAX", "Максимальный коэффициент нефтенасыщенности (доли единицы)"),
    Col("OILPLOTNSURFMIN", "Минимальная плотности нефти на поверхности (т/м3)"),
    Col("OILPLOTNSURFMAX", "Максимальная плотности нефти на поверхности (т/м3)"),
    Col("OILKOEFPERERASCHMIN", "Минимальный перерасчетный коэффициент (доли единицы)"),
    Col("OILKOEFPERERASCHMAX", "Максимальный перерасчетный коэффициент (доли единицы)"),
    Col("OILBALANCERESOURCEP", "Балансовые ресурсы наиболее вероятные (млн.т)"),
    Col("OILBALANCERESOURCEPD", "Вероятность  (доли единицы)"),
    Col("OILBALANCERESOURCES", "Среднеквадратическое отклонение (млн.т)"),
    Col("OILKOEFIZVLECHMIN", "Минимальный коэффициент извлечения нефти (доли единицы)"),
    Col("OILKOEFIZVLECHMAX", "Максимальный коэффициент извлечения нефти (доли единицы)"),
    Col("OILPERSPECTRESOURCEP", "Перспективные ресурсы (извлекаемые) наиболее вероятные (млн.т)"),
    Col("OILPERSPECTRESOURCEPD", "Вероятность (доли единицы)"),
    Col("OILPERSPECTRESOURCES", "Среднеквадратическое отклонение"),
    Col("OILGAZFACTOR2", "Газовый фактор (м3/т)"),
    Col("PERSPRESGAZRASTVP", "Перспективные ресурсы (извлекаемые) растворенного газа (млн.м3)"),
    Col("PERSPRESGAZRASTVPD", "Вероятность (доли единицы)"),
    Col("PERSPRESGAZRASTVS", "Среднеквадратическое отклонение (млн.м3)"),
};

constexpr GridColumnDecl kGrid6[] = {
    kHorizon,
    Col("SQUAREGAZONOSN", "Площадь газоносности (км2)"),
    Col("EFECTGAZWIDTH", "Эффективная газонасыщенная толщина (м)"),
    Col("GAZKOEFOTKRPORIST", "Коэффициент открытой пористости (доли единицы)"),
    Col("KOEFGAZNASUSH", "Коэффициент газонасыщенности (доли единицы)"),
    Col("GAZSTARTPLASTPREASURE", "Начальное пластовое давление (атм)"),
    Col("GAZENDPLASTPREASURE", "Конечное пластовое давление (атм)"),
    Col("GAZKOEFSZIM", "Коэффициент сжимаемости"),
    Col("GAZTEMPERPOPR", "Поправка на температуру"),
    Calc("CALC_BALGAZ_RES", "Начальные ресурсы (млн. м3)"),
    Col("GAZSODSUH", "Содержание сухого горючего газа (доли единицы)"),
    Calc("CALC_NEWGAZBAL", "Балансовые ресурсы (млн. м3)"),
};

constexpr GridColumnDecl kGrid7[] = {
    kHorizon,
    Col("GAZSQUAREMIN", "Минимальная площадь газоносности (км2)"),
    Col("GAZSQUAREMAX", "Максимальная площадь газоносности (км2)"),
    Col("GAZWIDTHMIN", "Минимальная эффективная газонасыщенная толщина (м)"),
    Col("GAZWIDTHMAX", "Максимальная эффективная газонасыщенная толщина (м)"),
    Col("GAZKOEFOTKRPORMIN", "Минимальный коэффициент открытой пористости (доли единицы)"),
    Col("GAZKOEFOTKRPORMAX", "Максимальный коэффициент открытой пористости (доли единицы)"),
    Col("GAZNASUSHMIN", "Минимальный коэффициент газонасыщенности (доли единицы)"),
    Col("GAZNASUSHMAX", "Максимальный коэффициент газонасыщенности (доли единицы)"),
    Col("GAZSTARTPREASUREMIN", "Минимальное начальное пластовое давление (атм)"),
    Col("GAZSTARTPREASUREMAX", "Максимальное начальное пластовое давление (атм)"),
    Col("GAZSTARTPREASURE", "Конечное пластовое давление (атм)"),
    Col("GAZKOEFSZIMMIN", "Минимальный коэффициент сжимаемости"),
    Col("GAZKOEFSZIMMAX", "Максимальный коэффициент сжимаемости"),
    Col("GAZTEMPERPOPRMIN", "Минимальная поправка на температуру"),
    Col("GAZTEMPERPOPRMAX", "Максимальная поправка на температуру"),
    Col("GAZBALANCERESOURCEP", "Начальные ресурсы наиболее вероятные (млн. м3)"),
    Col("GAZBALANCERESOURCEPD", "Вероятность (доли единицы)"),
    Col("GAZBALANCERESOURCES", "Среднеквадратическое отклонение (млн. м3)"),
    Col("SODSIHGORMIN", "Минимальное содержание сухого горючего газа (доли единицы)"),
    Col("SODSIHGORMAX", "Максимальное содержание сухого горючего газа (доли единицы)"),
    Col("GAZBALANCERESOURCEPNEW", "Балансовые ресурсы наиболее вероятные (млн. м3)"),
    Col("GAZBALANCERESOURCEPDNEW", "Вероятность (доли единицы)"),
    Col("GAZBALANCERESOURCESNEW", "Среднеквадратическое отклонение (млн. м3)"),
};

constexpr GridColumnDecl kGrid8[] = {
    kHorizon,
    Calc("CALC_BALGAZ_RES", "Начальные ресурсы газа (млн. м3)"),
    Col("GAZCONDAVGSTARTCONSIST", "Потенциальное содержание конденсата (г/м3)"),
    Calc("CALC_BALGAZCOND_RES", "Балансовые ресурсы газоконденсата (млн.т)"),
    Col("GAZCONDKOEFIZVLECH", "Коэффициент извлечения конденсата (доли единицы)"),
    Calc("CALC_PERSPGAZCOND_RES", "Извлекаемые ресурсы газоконденсата (млн.т)"),
};

constexpr GridColumnDecl kGrid9[] = {
    kHorizon,
    Col("GAZCONBALANCERESGAZMIN", "Минимальное значение начального ресурса газа (млн. м3)"),
    Col("GAZCONBALANCERESGAZMAX", "Максимальное значение начального ресурса газа (млн. м3)"),
    Col("GAZCONNACHSODKONDMIN", "Минимальное потенциальное содержание конденсата (г/м3)"),
    Col("GAZCONNACHSODKONDMAX", "Максимальное потенциальное содержание конденсата (г/м3)"),
    Col("BALANCERESGAZCONDMIN", "Минимальное значение балансовых ресурсов газоконденсата (млн.т)"),
    Col("BALANCERESGAZCONDMAX", "Максимальное значение балансовых ресурсов газоконденсата (млн.т)"),
    Col("GAZCONKOEFIZVLECHMIN", "Минимальный коэффициент извлечения конденсата (доли единицы)"),
    Col("GAZCONKOEFIZVLECHMAX", "Максимальный коэффициент извлечения конденсата (доли единицы)"),
    Col("IZVLEKRESGAZCONDPNEW", "Извлекаемые ресурсы газоконденсата, наиболее вероятные (млн.т)"),
    Col("IZVLEKRESGAZCONDPDNEW", "Вероятность (доли единицы)"),
    Col("IZVLEKRESGAZCONDSNEW", "Среднеквадратическое отклонение (млн.т)"),
};

constexpr GridColumnDecl kGrid10[] = {
    kHorizon,
    Lookup("_KONTURKOORDTYPE", "Тип координат контура"),
    RO("KONTURNUMPOINTS", "Число точек контура"),
};

// Wide enough for a coordinate in degrees, minutes and seconds.
constexpr GridColumnDecl kGrid14[] = {
    {"X", "Долгота", K::Editable, PickerKind::None, nullptr, nullptr, 150},
    {"Y", "Широта", K::Editable, PickerKind::None, nullptr, nullptr, 150},
};

constexpr uint8_t kBrowseAndEdit = NavFirst | NavPrior | NavNext | NavLast | NavPost | NavCancel;

// Strips and grids of the resource pages: deterministic on top, probabilistic below.
constexpr GridDecl kGrids[] = {
    {"JvDBGrid1", "REFLECT_HORIZONTS", 4, "Характеристики объекта по различным отражающим горизонтам", "Label89", 60,
     "DBNavigator1", kAllNavigatorButtons, false, true, kGrid1},
    {"JvDBGrid2", "REFLECT_HORIZONTS", 5, "Качество подготовки объекта по различным отражающим горизонтам", "Label90",
     70, "DBNavigator4", kBrowseAndEdit, false, true, kGrid2},
    {"JvDBGrid3", "POSIB_PRODUCT_HOR", 6, "Возможные продуктивные горизонты", "Label88", 80, "DBNavigator2",
     kAllNavigatorButtons, false, true, kGrid3},
    {"JvDBGrid4", "POSIB_PRODUCT_HOR", 7,
     "Подсчетные параметры и перспективные ресурсы нефти. Детерминированный подход", "Label80", 90, nullptr, 0, false,
     true, kGrid4},
    {"JvDBGrid5", "POSIB_PRODUCT_HOR", 7, "Подсчетные параметры и перспективные ресурсы нефти. Вероятностный подход",
     "Label81", 120, nullptr, 0, false, true, kGrid5},
    {"JvDBGrid6", "POSIB_PRODUCT_HOR", 8,
     "Подсчетные параметры и перспективные ресурсы газа. Детерминированный подход", "Label82", 100, nullptr, 0, false,
     true, kGrid6},
    {"JvDBGrid7", "POSIB_PRODUCT_HOR", 8, "Подсчетные параметры и перспективные ресурсы газа. Вероятностный подход",
     "Label83", 110, nullptr, 0, false, true, kGrid7},
    {"JvDBGrid8", "POSIB_PRODUCT_HOR", 9,
     "Подсчетные параметры и перспективные ресурсы газоконденсата. Детерминированный подход", "Label84", 100, nullptr,
     0, false, true, kGrid8},
    {"JvDBGrid9", "POSIB_PRODUCT_HOR", 9,
     "Подсчетные параметры и перспективные ресурсы газоконденсата. Вероятностный подход", "Label85", 140, nullptr, 0,
     false, true, kGrid9},
    {"JvDBGrid10", "POSIB_PRODUCT_HOR", 10, "Контуры ловушек", "Label91", 17, nullptr, 0, true, false, kGrid10},
    {"JvDBGrid14", "KONTUR", 10, nullptr, nullptr, 17, "DBNavigator3", kAllNavigatorButtons, false, false, kGrid14},
};

// The attachment slot lists: what the slot is, which file it holds, its comment.
constexpr GridColumnDecl kSlotColumns[] = {
    {"DOCTYPE", "Вид документа", K::ReadOnly, PickerKind::None, nullptr, nullptr, 360},
    {"FileName_", "Имя загруженного файла", K::Calculated, PickerKind::None, nullptr, nullptr, 260},
    {"Description", "Комментарий", K::ReadOnly, PickerKind::None, nullptr, nullptr, 260},
};

constexpr GridDecl kSlotGrids[] = {
    {"JvDBGrid12", "Files1", -1, nullptr, nullptr, 20, nullptr, 0, true, false, kSlotColumns, true},
    {"JvDBGrid13", "Files2", -1, nullptr, nullptr, 20, nullptr, 0, true, false, kSlotColumns, true},
    {"JvDBGrid11", "Files3", -1, nullptr, nullptr, 20, nullptr, 0, true, false, kSlotColumns, true},
};

} // namespace

std::span<const GridDecl> Grids() { return kGrids; }
std::span<const GridDecl> SlotGrids() { return kSlotGrids; }

const GridDecl* FindGrid(const char* objectName)
{
    for (const GridDecl& g : kGrids)
        if (std::strcmp(g.objectName, objectName) == 0) return &g;
    return nullptr;
}

QByteArray SortFieldOf(const GridColumnDecl& column)
{
    return QByteArray(column.sortField ? column.sortField : column.field).toLower();
}

std::vector<GridLayouts::Column> GridLayouts::columns(const char* gridName) const
{
    const auto it = layouts_.constFind(QByteArray(gridName));
    if (it != layouts_.constEnd()) return *it;
    std::vector<Column> declared;
    if (const GridDecl* g = FindGrid(gridName))
        for (int i = 0; i < int(g->columns.size()); ++i) declared.push_back({i, false});
    return declared;
}

void GridLayouts::setOrder(const char* gridName, const std::vector<int>& declaredIndexes)
{
    std::vector<Column> current = columns(gridName);
    std::vector<Column> reordered;
    for (int index : declaredIndexes) {
        const auto it = std::find_if(current.begin(), current.end(), [&](const Column& c) { return c.declared == index; });
        if (it != current.end()) reordered.push_back(*it);
    }
    if (reordered.size() == current.size()) layouts_.insert(QByteArray(gridName), std::move(reordered));
}

void GridLayouts::setHidden(const char* gridName, int declaredIndex, bool hidden)
{
    std::vector<Column> current = columns(gridName);
    for (Column& c : current)
        if (c.declared == declaredIndex) c.hidden = hidden;
    layouts_.insert(QByteArray(gridName), std::move(current));
}

} // namespace talvena
