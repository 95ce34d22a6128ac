#include "model/grid_decl.h"

#include "model/table_schemas.h"

#include <algorithm>
#include <cstring>

namespace talvena {

namespace {

using K = ColumnKind;

// A column without a title of its own is titled with its field's caption.
constexpr GridColumnDecl Col(const char* field) { return {field, nullptr}; }
constexpr GridColumnDecl RO(const char* field, const char* title = nullptr) { return {field, title, K::ReadOnly}; }
constexpr GridColumnDecl Lookup(const char* field) { return {field, nullptr, K::Lookup}; }
constexpr GridColumnDecl Calc(const char* field, const char* title = nullptr) { return {field, title, K::Calculated}; }
// The stratigraphic column sorts by the index's place in the stratigraphic scale, not its text.
constexpr GridColumnDecl Stratigraphic()
{
    return {"_stratigr_id", nullptr, K::Picker, PickerKind::StratigraphicIndex, "STRATIGR_ID", "_stratigr_id_"};
}
constexpr GridColumnDecl Scale() { return {"_scale", nullptr, K::Picker, PickerKind::Scale, "SCALE"}; }

// The horizon shown at the left of every resource grid.
constexpr GridColumnDecl kHorizon = RO("STRATIGRSVIT", "Возможный продуктивный горизонт ");

constexpr GridColumnDecl kGrid1[] = {
    Col("INDEXOG"),
    Stratigraphic(),
    Col("STRATIGR_DOP"),
    Col("STRATIGRSVIT"),
    Lookup("_traptype_id"),
    Lookup("_screentype_id"),
    Scale(),
    Col("SECHENIE"),
    Col("IZOGIPSMARK"),
    Col("SQUARE"),
    Col("AMPLITUDE"),
    Col("LONGAXIS"),
    Col("SHORTAXIS"),
};

constexpr GridColumnDecl kGrid2[] = {
    RO("INDEXOG"),
    Col("KOEFPROSL"),
    Col("POSTRPRESICION"),
    Col("KORRADIUS"),
    Col("APRIORVEROYATN"),
    Col("ZNACHFUNC"),
    Col("VEROYATNSTRUCT"),
    Col("POGRSVOD"),
    Col("POGRSVODY"),
    Col("POGRAMPL"),
    Col("POGRSQUARE"),
};

constexpr GridColumnDecl kGrid3[] = {
    Stratigraphic(),
    Col("STRATIGR_DOP"),
    Col("STRATIGRSVIT"),
    Scale(),
    Col("SECHENIE"),
    Col("IZOGIPSMARK"),
    Col("POSIBLESQUARE"),
    Col("AMPLITUDE"),
    Col("LONGAXIS"),
    Col("SHORTAXIS"),
    Lookup("_REFLECTHOR_ID"),
    Col("STRUCTOGNEW"),
    Lookup("_COLLECTORTYPE_ID"),
    Lookup("_UV_ID"),
};

constexpr GridColumnDecl kGrid4[] = {
    kHorizon,
    Col("SQUARENEFTENOSN"),
    Col("EFECTOILWIDTH"),
    Col("OILKOEFOTKRPORIST"),
    Col("KOEFOILNASUSH"),
    Col("OILPLOTN"),
    Col("OILPERERASCHKOEF"),
    Calc("CALC_BAL_RES"),
    Col("KOEFOILIZVL"),
    Calc("CALC_PERSP_RES"),
    Col("OILGAZFACTOR"),
    Calc("CALC_PERSP_RES_RGAZ"),
};

constexpr GridColumnDecl kGrid5[] = {
    kHorizon,
    Col("OILSQUAREMIN"),
    Col("OILSQUAREMAX"),
    Col("OILWIDTHMIN"),
    Col("OILWIDTHMAX"),
    Col("OILKOEFOTKRPORMIN"),
    Col("OILKOEFOTKRPORMAX"),
    Col("OILNASUSHMIN"),
    Col("OILNASUSHMAX"),
    Col("OILPLOTNSURFMIN"),
    Col("OILPLOTNSURFMAX"),
    Col("OILKOEFPERERASCHMIN"),
    Col("OILKOEFPERERASCHMAX"),
    Col("OILBALANCERESOURCEP"),
    Col("OILBALANCERESOURCEPD"),
    Col("OILBALANCERESOURCES"),
    Col("OILKOEFIZVLECHMIN"),
    Col("OILKOEFIZVLECHMAX"),
    Col("OILPERSPECTRESOURCEP"),
    Col("OILPERSPECTRESOURCEPD"),
    Col("OILPERSPECTRESOURCES"),
    Col("OILGAZFACTOR2"),
    Col("PERSPRESGAZRASTVP"),
    Col("PERSPRESGAZRASTVPD"),
    Col("PERSPRESGAZRASTVS"),
};

constexpr GridColumnDecl kGrid6[] = {
    kHorizon,
    Col("SQUAREGAZONOSN"),
    Col("EFECTGAZWIDTH"),
    Col("GAZKOEFOTKRPORIST"),
    Col("KOEFGAZNASUSH"),
    Col("GAZSTARTPLASTPREASURE"),
    Col("GAZENDPLASTPREASURE"),
    Col("GAZKOEFSZIM"),
    Col("GAZTEMPERPOPR"),
    Calc("CALC_BALGAZ_RES"),
    Col("GAZSODSUH"),
    Calc("CALC_NEWGAZBAL"),
};

constexpr GridColumnDecl kGrid7[] = {
    kHorizon,
    Col("GAZSQUAREMIN"),
    Col("GAZSQUAREMAX"),
    Col("GAZWIDTHMIN"),
    Col("GAZWIDTHMAX"),
    Col("GAZKOEFOTKRPORMIN"),
    Col("GAZKOEFOTKRPORMAX"),
    Col("GAZNASUSHMIN"),
    Col("GAZNASUSHMAX"),
    Col("GAZSTARTPREASUREMIN"),
    Col("GAZSTARTPREASUREMAX"),
    Col("GAZSTARTPREASURE"),
    Col("GAZKOEFSZIMMIN"),
    Col("GAZKOEFSZIMMAX"),
    Col("GAZTEMPERPOPRMIN"),
    Col("GAZTEMPERPOPRMAX"),
    Col("GAZBALANCERESOURCEP"),
    Col("GAZBALANCERESOURCEPD"),
    Col("GAZBALANCERESOURCES"),
    Col("SODSIHGORMIN"),
    Col("SODSIHGORMAX"),
    Col("GAZBALANCERESOURCEPNEW"),
    Col("GAZBALANCERESOURCEPDNEW"),
    Col("GAZBALANCERESOURCESNEW"),
};

constexpr GridColumnDecl kGrid8[] = {
    kHorizon,
    Calc("CALC_BALGAZ_RES", "Начальные ресурсы газа (млн. м3)"),
    Col("GAZCONDAVGSTARTCONSIST"),
    Calc("CALC_BALGAZCOND_RES"),
    Col("GAZCONDKOEFIZVLECH"),
    Calc("CALC_PERSPGAZCOND_RES"),
};

constexpr GridColumnDecl kGrid9[] = {
    kHorizon,
    Col("GAZCONBALANCERESGAZMIN"),
    Col("GAZCONBALANCERESGAZMAX"),
    Col("GAZCONNACHSODKONDMIN"),
    Col("GAZCONNACHSODKONDMAX"),
    Col("BALANCERESGAZCONDMIN"),
    Col("BALANCERESGAZCONDMAX"),
    Col("GAZCONKOEFIZVLECHMIN"),
    Col("GAZCONKOEFIZVLECHMAX"),
    Col("IZVLEKRESGAZCONDPNEW"),
    Col("IZVLEKRESGAZCONDPDNEW"),
    Col("IZVLEKRESGAZCONDSNEW"),
};

constexpr GridColumnDecl kGrid10[] = {
    kHorizon,
    Lookup("_KONTURKOORDTYPE"),
    RO("KONTURNUMPOINTS"),
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

namespace {

std::span<const FieldDecl> schemaOf(const char* table)
{
    if (std::strcmp(table, "REFLECT_HORIZONTS") == 0) return ReflectHorizontsSchema();
    if (std::strcmp(table, "POSIB_PRODUCT_HOR") == 0) return ProductHorizonsSchema();
    if (std::strcmp(table, "KONTUR") == 0) return KonturSchema();
    return {};
}

// The grids with every column titled: the declarations above with their fields' captions filled in.
struct TitledGrids {
    std::vector<std::vector<GridColumnDecl>> columns;
    std::vector<GridDecl> grids;

    TitledGrids()
    {
        columns.reserve(std::size(kGrids));
        for (GridDecl g : kGrids) {
            std::vector<GridColumnDecl>& titled = columns.emplace_back(g.columns.begin(), g.columns.end());
            for (GridColumnDecl& c : titled) {
                if (c.title) continue;
                const FieldDecl* field = FindFieldDecl(schemaOf(g.table), c.field);
                c.title = field ? field->caption : "";
            }
            g.columns = titled;
            grids.push_back(g);
        }
    }
};

const TitledGrids& titledGrids()
{
    static const TitledGrids grids;
    return grids;
}

} // namespace

std::span<const GridDecl> Grids() { return titledGrids().grids; }
std::span<const GridDecl> SlotGrids() { return kSlotGrids; }

const GridDecl* FindGrid(const char* objectName)
{
    for (const GridDecl& g : Grids())
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
