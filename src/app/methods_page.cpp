// Page "3.Методика": the five method groups. Every control of a group runs the group's change
// handler, except the two source-kind drop-downs, which have their own.
#include "app/page_decl.h"

namespace talvena {

namespace {

using namespace decl;

using H = PageHandler;

constexpr GroupDecl kGroups[] = {
    {1, "GroupBox1", " Сейсморазведка 2d ", 0},
    {2, "GroupBox2", " Сейсморазведка 3d ", 0},
    {3, "GroupBox3", " Электроразведка ", 1},
    {4, "GroupBox4", " Другой геофизический метод ", 1},
    {5, "GroupBox5", " Структурное бурение ", 1},
};

constexpr ControlDecl kControls[] = {
    // 1: seismic 2D
    Picker("_SHOOTSCALE", "JvDBComboEdit3", H::JvDBComboEdit3ButtonClick).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Spinner("GRIDDENCITY", "JvDBSpinEdit6", 1).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Spinner("MOGTREPETISHIONS", "JvDBSpinEdit7", kIntegerSpinner).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Spinner("MAXDISTANCE", "JvDBSpinEdit8", 0).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Spinner("MINDISTANCE", "JvDBSpinEdit9", 0).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Spinner("RECIVESTEP", "JvDBSpinEdit10", 0).onChange(H::JvDBComboEdit3Change).inGroup(1),
    Combo("DRIVINGTYPE_ID", "JvDBLookupCombo10").onChange(H::JvDBLookupCombo10Change).inGroup(1),
    Combo("CHARGELOCATION_ID", "JvDBLookupCombo11")
        .onChange(H::JvDBComboEdit3Change).inGroup(1).captionLabel("Label31"),
    Combo("NONEXPLOSIVETYPE_ID", "JvDBLookupCombo12")
        .onChange(H::JvDBComboEdit3Change).inGroup(1).captionLabel("Label32"),

    // 2: seismic 3D
    Spinner("MOGTREPETISHIONS3D", "JvDBSpinEdit12", kIntegerSpinner).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("MAXDISTANCE3D", "JvDBSpinEdit13", 0).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("MINDISTANCE3D", "JvDBSpinEdit14", 0).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("RECIVESTEP3D", "JvDBSpinEdit15", 0).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("DRIVINGSTEP3D", "JvDBSpinEdit16", 0).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("BINH", "JvDBSpinEdit17", 0).onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Spinner("BINW", "JvDBSpinEdit18", 0).captioned("X").onChange(H::JvDBSpinEdit12Change).inGroup(2).besidePrevious(),
    Combo("DRIVINGTYPE3D_ID", "JvDBLookupCombo13").onChange(H::JvDBLookupCombo13Change).inGroup(2),
    Combo("CHARGELOCATION3D_ID", "JvDBLookupCombo14")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2).captionLabel("Label41"),
    Combo("NONEXPLOSIVETYPE3D_ID", "JvDBLookupCombo15")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2).captionLabel("Label42"),

    // 3: electrical survey
    TextEdit("ELECTROMETHOD", "DBEdit10").onChange(H::DBEdit10Change).inGroup(3),
    Picker("_SHOOTSCALEEL", "JvDBComboEdit4", H::JvDBComboEdit4ButtonClick).onChange(H::DBEdit10Change).inGroup(3),
    Spinner("GRIDDENCITYEL", "JvDBSpinEdit19", 1).onChange(H::DBEdit10Change).inGroup(3),
    Spinner("STEPEL", "JvDBSpinEdit20", 0).onChange(H::DBEdit10Change).inGroup(3),

    // 4: another geophysical method
    TextEdit("OTHERMETHOD", "DBEdit11").onChange(H::DBEdit11Change).inGroup(4),
    Picker("_SHOOTSCALEOT", "JvDBComboEdit5", H::JvDBComboEdit5ButtonClick).onChange(H::DBEdit11Change).inGroup(4),
    Spinner("GRIDDENCITYOT", "JvDBSpinEdit21", 1).onChange(H::DBEdit11Change).inGroup(4),
    TextEdit("OBSERVATIONSYSTEM", "DBEdit12").onChange(H::DBEdit11Change).inGroup(4),
    Spinner("STEPOT", "JvDBSpinEdit22", 0).onChange(H::DBEdit11Change).inGroup(4),

    // 5: structural drilling
    Picker("_SHOOTSCALEST", "JvDBComboEdit6", H::JvDBComboEdit6ButtonClick)
        .onChange(H::JvDBComboEdit6Change).inGroup(5),
    Spinner("GRIDDENCITYST", "JvDBSpinEdit23", 1).onChange(H::JvDBComboEdit6Change).inGroup(5),
};

const FormPageDecl kPage{kGroups, kControls};

} // namespace

const FormPageDecl& MethodsPage() { return kPage; }

} // namespace talvena
