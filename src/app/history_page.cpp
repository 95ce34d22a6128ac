// Page "2.История": discovery, preparation, the report and the licence.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

using H = PageHandler;

constexpr const char* kOtherMethodHint = "Название \"другого\" метода";

constexpr ControlDecl kControls[] = {
    Spinner("SHOWINGUPYEAR", "JvDBSpinEdit1", kIntegerSpinner),
    Combo("SHOWINGUPMETHOD_ID", "JvDBLookupCombo5").onChange(H::JvDBLookupCombo5Change),
    TextEdit("OTHERMETHOD2", "DBEdit19").besidePrevious().disabled(),
    Spinner("STARTPREPARATIONYEAR", "JvDBSpinEdit2", kIntegerSpinner),
    Spinner("ENDPREPARATIONYEAR", "JvDBSpinEdit3", kIntegerSpinner),
    Combo("PREPARATIONMETHOD_ID", "JvDBLookupCombo6").onChange(H::JvDBLookupCombo6Change),
    TextEdit("OTHERMETHOD", "DBEdit20").captioned("").hinted(kOtherMethodHint).besidePrevious().disabled(),
    TextEdit("PREPARATIONORGANIZATION", "DBEdit2"),
    TextEdit("REPORTPREPARATION", "DBEdit3"),
    Spinner("REPORTYEAR", "JvDBSpinEdit4", kIntegerSpinner),
    TextEdit("REPORTAUTHORS", "DBEdit4"),
    TextEdit("REPORTSTORINGPLACE", "DBEdit5"),
    Spinner("PREPAREDFUNDYEAR", "JvDBSpinEdit5", kIntegerSpinner),
    Combo("AFFILATION_ID", "JvDBLookupCombo7").onChange(H::JvDBLookupCombo7Change),
    TextEdit("LICENSOR", "DBEdit6"),
    TextEdit("LICENCENUMBER", "DBEdit7"),
    Combo("LICENCETYPE_ID", "JvDBLookupCombo8"),
    TextEdit("TERMINATIONLICENCE", "DBEdit8"),
    TextEdit("LICENCEREGION", "DBEdit9"),
};

const FormPageDecl kPage{{}, kControls};

} // namespace

const FormPageDecl& HistoryPage() { return kPage; }

} // namespace talvena
