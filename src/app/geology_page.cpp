// Page "4.Геология": petroleum geography, tectonics, the stratigraphic range and the value labels
// of the totals.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

constexpr GroupDecl kGroups[] = {
    {8, "GroupBox8", " Детерменированный подход ", 0},
    {10, "GroupBox10", " Вероятностный подход ", 0},
};

constexpr ControlDecl kControls[] = {
    Combo("GEO_PROVINCE_ID", "JvDBLookupCombo19"),
    TextEdit("GEO_PROVINCE_DOP", "DBEdit16").besidePrevious(),
    Combo("GEO_OBLAST_ID", "JvDBLookupCombo20"),
    TextEdit("GEO_OBLAST_DOP", "DBEdit17").besidePrevious(),
    Combo("GEO_RAION_ID", "JvDBLookupCombo21"),
    TextEdit("GEO_RAION_DOP", "DBEdit18").besidePrevious(),
    TextEdit("TEKTO1P", "DBEdit13"),
    TextEdit("TEKTO2P", "DBEdit14"),
    Picker("_STRATIGR_KROVL", "JvDBComboEdit1", PageHandler::JvDBComboEdit1ButtonClick)
        .underRowCaption("Стратиграфический диапазон"),
    Picker("_STRATIGR_PODOSHV", "JvDBComboEdit2", PageHandler::JvDBComboEdit2ButtonClick).besidePrevious(),
    ValueLabel("Label29", "Продуктивные горизонты"),
    ValueLabel("Label71", "Отражающие горизонты, по которым подготовлен объект"),

    ValueLabel("Label72", "Перспективные ресурсы категории С3 нефти, млн.т").inGroup(8),
    ValueLabel("Label73", "Перспективные ресурсы категории С3 растворенного газа, млн. м3").inGroup(8),
    ValueLabel("Label74", "Перспективные ресурсы категории С3 газа, млн. м3").inGroup(8),
    ValueLabel("Label75", "Перспективные ресурсы категории С3 газоконденсата, млн.т").inGroup(8),

    ValueLabel("Label93", "Наиболее вероятная величина перспективных ресурсов нефти (извлекаемых), млн.т").inGroup(10),
    ValueLabel("Label95", "Возможные пределы изменения перспективных ресурсов нефти (извлекаемых),  млн.т")
        .inGroup(10),
    ValueLabel("Label97", "Наиболее вероятная величина перспективных ресурсов растворенного газа, млн.м3")
        .inGroup(10),
    ValueLabel("Label99", "Возможные пределы изменения перспективных ресурсов растворенного газа, млн.м3")
        .inGroup(10),
    ValueLabel("Label102", "Наиболее вероятная величина перспективных ресурсов газа, млн.м3").inGroup(10),
    ValueLabel("Label101", "Возможные пределы изменения перспективных ресурсов газа, млн.м3").inGroup(10),
    ValueLabel("Label106", "Наиболее вероятная величина перспективных ресурсов газоконденсата (извлекаемых), млн.т")
        .inGroup(10),
    ValueLabel("Label105", "Возможные пределы изменения перспективных ресурсов газоконденсата (извлекаемых), млн.т")
        .inGroup(10),
};

const FormPageDecl kPage{kGroups, kControls};

} // namespace

const FormPageDecl& GeologyPage() { return kPage; }

} // namespace talvena
