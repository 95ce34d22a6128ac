// Page "4.Геология": petroleum geography, tectonics, the stratigraphic range and the value labels
// of the totals.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

constexpr GroupDecl kGroups[] = {
    {8, "GroupBox8", " Детерменированный подход ", 0},
    {10, "GroupBox10", " Вероятностный подход ", 0},
    {11, "GroupBoxSim", " Вероятностный подход: моделирование по диапазонам параметров ", 0},
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
    ValueLabel("Label29"),
    ValueLabel("Label71"),

    ValueLabel("Label72").inGroup(8),
    ValueLabel("Label73").inGroup(8),
    ValueLabel("Label74").inGroup(8),
    ValueLabel("Label75").inGroup(8),

    ValueLabel("Label93").inGroup(10),
    ValueLabel("Label95").inGroup(10),
    ValueLabel("Label97").inGroup(10),
    ValueLabel("Label99").inGroup(10),
    ValueLabel("Label102").inGroup(10),
    ValueLabel("Label101").inGroup(10),
    ValueLabel("Label106").inGroup(10),
    ValueLabel("Label105").inGroup(10),

    // Totals of the last simulation, summed trial by trial over the horizons.
    ValueLabel("LabelSimOil", "Перспективные ресурсы нефти (извлекаемые), млн.т").inGroup(11),
    ValueLabel("LabelSimDissolvedGas", "Перспективные ресурсы растворенного газа, млн.м3").inGroup(11),
    ValueLabel("LabelSimGas", "Перспективные ресурсы газа (балансовые), млн.м3").inGroup(11),
    ValueLabel("LabelSimCondensate", "Перспективные ресурсы газоконденсата (извлекаемые), млн.т").inGroup(11),
    ValueLabel("LabelSimRun", "Расчет").inGroup(11),
};

const FormPageDecl kPage{kGroups, kControls};

} // namespace

const FormPageDecl& GeologyPage() { return kPage; }

} // namespace talvena
