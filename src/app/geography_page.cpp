// Page "1.География": the object's name and its subject of the federation.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

using H = PageHandler;

constexpr ControlDecl kControls[] = {
    TextEdit("OBJECTNAME", "DBEdit1", "Наименование объекта ", "Полное наименование объекта"),
    Combo("FEDERALOKRUG_ID", "JvDBLookupCombo1", "Федеральный округ", 1,
          "Название федерального округа в соответствии с ОКАТО").onChange(H::JvDBLookupCombo1Change),
    Combo("REPUBLIC_ID", "JvDBLookupCombo2", "Республика", 2,
          "Название автономной республики в соответствии с ОКАТО").onChange(H::JvDBLookupCombo2Change),
    Combo("KRAI_ID", "JvDBLookupCombo3", "Край", 3, "Название края в соответствии с ОКАТО")
        .onChange(H::JvDBLookupCombo3Change),
    Combo("OBLAST_ID", "JvDBLookupCombo4", "Область", 4, "Название области в соответствии с ОКАТО")
        .onChange(H::JvDBLookupCombo4Change),
};

const FormPageDecl kPage{{}, kControls};

} // namespace

const FormPageDecl& GeographyPage() { return kPage; }

} // namespace talvena
