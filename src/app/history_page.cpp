// Page "2.История": discovery, preparation, the report and the licence.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

using H = PageHandler;

constexpr const char* kOtherMethodHint = "Название \"другого\" метода";

constexpr ControlDecl kControls[] = {
    YearSpinner("SHOWINGUPYEAR", "JvDBSpinEdit1", "Год выявления объекта",
                "Год выявления объекта, например: 1987 или 2005"),
    Combo("SHOWINGUPMETHOD_ID", "JvDBLookupCombo5", "Метод выявления", 5).onChange(H::JvDBLookupCombo5Change),
    TextEdit("OTHERMETHOD2", "DBEdit19", "", kOtherMethodHint).besidePrevious().disabled(),
    YearSpinner("STARTPREPARATIONYEAR", "JvDBSpinEdit2", "Год начала подготовки",
                "Год начала подготовки, например: 1987 или 2005"),
    YearSpinner("ENDPREPARATIONYEAR", "JvDBSpinEdit3", "Год окончания подготовки",
                "Год окончания подготовки, например: 1987 или 2005"),
    Combo("PREPARATIONMETHOD_ID", "JvDBLookupCombo6", "Метод подготовки", 5).onChange(H::JvDBLookupCombo6Change),
    TextEdit("OTHERMETHOD", "DBEdit20", "", kOtherMethodHint).besidePrevious().disabled(),
    TextEdit("PREPARATIONORGANIZATION", "DBEdit2", "Организация, подготовившая объект"),
    TextEdit("REPORTPREPARATION", "DBEdit3", "Название отчета организации, подготовившей объект"),
    YearSpinner("REPORTYEAR", "JvDBSpinEdit4", "Год составления отчета",
                "Год составления отчета, например: 1987 или 2005"),
    TextEdit("REPORTAUTHORS", "DBEdit4", "Авторы отчета"),
    TextEdit("REPORTSTORINGPLACE", "DBEdit5", "Место хранения отчета"),
    YearSpinner("PREPAREDFUNDYEAR", "JvDBSpinEdit5", "Год включения в фонд подготовленных объектов",
                "Год включения в фонд подготовленных объектов, например: 1987 или 2005"),
    Combo("AFFILATION_ID", "JvDBLookupCombo7", "Какому фонду принадлежит объект", 6)
        .onChange(H::JvDBLookupCombo7Change),
    TextEdit("LICENSOR", "DBEdit6", "Обладатель лицензии (недропользователь)",
             "Название организации (компания, акционерное общество, предприятие, трест и др.),  (частная, "
             "государственная, с участием государства), принадлежность органу государственного управления "
             "(министерство, агентство и др.)"),
    TextEdit("LICENCENUMBER", "DBEdit7", "Номер лицензии"),
    Combo("LICENCETYPE_ID", "JvDBLookupCombo8", "Тип лицензии", 7),
    TextEdit("TERMINATIONLICENCE", "DBEdit8", "Срок лицензии", kNoHint),
    TextEdit("LICENCEREGION", "DBEdit9", "Название лицензионного участка"),
};

const FormPageDecl kPage{{}, kControls};

} // namespace

const FormPageDecl& HistoryPage() { return kPage; }

} // namespace talvena
