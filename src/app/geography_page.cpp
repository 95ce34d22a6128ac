// Page "1.География": the object's name and its subject of the federation.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

using H = PageHandler;

constexpr ControlDecl kControls[] = {
    TextEdit("OBJECTNAME", "DBEdit1"),
    Combo("FEDERALOKRUG_ID", "JvDBLookupCombo1").onChange(H::JvDBLookupCombo1Change),
    Combo("REPUBLIC_ID", "JvDBLookupCombo2").onChange(H::JvDBLookupCombo2Change),
    Combo("KRAI_ID", "JvDBLookupCombo3").onChange(H::JvDBLookupCombo3Change),
    Combo("OBLAST_ID", "JvDBLookupCombo4").onChange(H::JvDBLookupCombo4Change),
};

const FormPageDecl kPage{{}, kControls};

} // namespace

const FormPageDecl& GeographyPage() { return kPage; }

} // namespace talvena
