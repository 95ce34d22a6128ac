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

// Fractional spinners of this page: one decimal or none, all limited like the integer ones.
constexpr ControlDecl Fraction(const char* field, const char* name, const char* caption, int decimals, const char* hint)
{
    return Spinner(field, name, caption, decimals, hint).limited(kMethodLimit);
}
constexpr ControlDecl Whole(const char* field, const char* name, const char* caption, const char* hint)
{
    return Spinner(field, name, caption, kIntegerSpinner, hint).limited(kMethodLimit);
}

// Hints with a no-break space after their first comma are written with "\u00A0" there.
constexpr ControlDecl kControls[] = {
    // 1: seismic 2D
    Picker("_SHOOTSCALE", "JvDBComboEdit3", "Масштаб съемки", H::JvDBComboEdit3ButtonClick)
        .onChange(H::JvDBComboEdit3Change).inGroup(1),
    Fraction("GRIDDENCITY", "JvDBSpinEdit6", "Плотность сети профилей (км/км2)", 1,
             "Плотность сети профилей, в км/км^2").onChange(H::JvDBComboEdit3Change).inGroup(1),
    Whole("MOGTREPETISHIONS", "JvDBSpinEdit7", "Кратность наблюдений МОГТ",
          "Кратность наблюдений МОГТ, например: 6, 12, 24, 48 и др.").onChange(H::JvDBComboEdit3Change).inGroup(1),
    Fraction("MAXDISTANCE", "JvDBSpinEdit8", "Максимальное удаление 'источник-приемник' (м)", 0,
             "Максимальное удаление ''источник-приемник'',\u00A0в м. например: 3000")
        .onChange(H::JvDBComboEdit3Change).inGroup(1),
    Fraction("MINDISTANCE", "JvDBSpinEdit9", "Минимальное удаление 'источник-приемник' (м)", 0,
             "Минимальное удаление 'источник-приемник',\u00A0в м. например: 50")
        .onChange(H::JvDBComboEdit3Change).inGroup(1),
    Fraction("RECIVESTEP", "JvDBSpinEdit10", "Расстояние между точками ОГТ (м)", 0,
             "Расстояние между точками ОГТ в м. Например: 50").onChange(H::JvDBComboEdit3Change).inGroup(1),
    Combo("DRIVINGTYPE_ID", "JvDBLookupCombo10", "Вид источника возбуждения колебаний", 8, kNoHint)
        .onChange(H::JvDBLookupCombo10Change).inGroup(1),
    Combo("CHARGELOCATION_ID", "JvDBLookupCombo11", "Размещение заряда", 9, kNoHint)
        .onChange(H::JvDBComboEdit3Change).inGroup(1).captionLabel("Label31"),
    Combo("NONEXPLOSIVETYPE_ID", "JvDBLookupCombo12", "Тип невзрывного источника", 10, kNoHint)
        .onChange(H::JvDBComboEdit3Change).inGroup(1).captionLabel("Label32"),

    // 2: seismic 3D
    Whole("MOGTREPETISHIONS3D", "JvDBSpinEdit12", "Кратность наблюдений МОГТ",
          "Кратность наблюдений МОГТ, например: 6, 12, 24, 48 и др.").onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("MAXDISTANCE3D", "JvDBSpinEdit13", "Максимальное удаление 'источник-приемник' (м)", 0,
             "Максимальное удаление 'источник-приемник',\u00A0в м. например: 3000")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("MINDISTANCE3D", "JvDBSpinEdit14", "Минимальное удаление 'источник-приемник' (м)", 0,
             "Минимальное удаление 'источник-приемник',\u00A0в м. например: 30")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("RECIVESTEP3D", "JvDBSpinEdit15", "Расстояние между линиями пунктов приема (м)", 0,
             "Расстояние между линиями пунктов приема,\u00A0в м. например: 30")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("DRIVINGSTEP3D", "JvDBSpinEdit16", "Расстояние между линиями пунктов возбуждения (м)", 0,
             "Расстояние между линиями пунктов возбуждения,\u00A0в м. например: 30")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("BINH", "JvDBSpinEdit17", "Размеры бина (м)", 0, "высота в м, например: 50")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2),
    Fraction("BINW", "JvDBSpinEdit18", "X", 0, "ширина в м, например: 50")
        .onChange(H::JvDBSpinEdit12Change).inGroup(2).besidePrevious(),
    Combo("DRIVINGTYPE3D_ID", "JvDBLookupCombo13", "Вид источника возбуждения колебаний", 8, kNoHint)
        .onChange(H::JvDBLookupCombo13Change).inGroup(2),
    Combo("CHARGELOCATION3D_ID", "JvDBLookupCombo14", "Размещение заряда", 9, kNoHint)
        .onChange(H::JvDBSpinEdit12Change).inGroup(2).captionLabel("Label41"),
    Combo("NONEXPLOSIVETYPE3D_ID", "JvDBLookupCombo15", "Тип невзрывного источника", 10, kNoHint)
        .onChange(H::JvDBSpinEdit12Change).inGroup(2).captionLabel("Label42"),

    // 3: electrical survey
    TextEdit("ELECTROMETHOD", "DBEdit10", "Метод электроразведки", "Метод электроразведки")
        .onChange(H::DBEdit10Change).inGroup(3),
    Picker("_SHOOTSCALEEL", "JvDBComboEdit4", "Масштаб съемки", H::JvDBComboEdit4ButtonClick)
        .onChange(H::DBEdit10Change).inGroup(3),
    Fraction("GRIDDENCITYEL", "JvDBSpinEdit19", "Плотность сети профилей (км/км2)", 1,
             "Плотность сети профилей,\u00A0в км/км^2").onChange(H::DBEdit10Change).inGroup(3),
    Fraction("STEPEL", "JvDBSpinEdit20", "Шаг точек наблюдений (м)", 0,
             "Шаг точек наблюдений,\u00A0в м. например: 20").onChange(H::DBEdit10Change).inGroup(3),

    // 4: another geophysical method
    TextEdit("OTHERMETHOD", "DBEdit11", "Название метода", "Название метода").onChange(H::DBEdit11Change).inGroup(4),
    Picker("_SHOOTSCALEOT", "JvDBComboEdit5", "Масштаб съемки", H::JvDBComboEdit5ButtonClick)
        .onChange(H::DBEdit11Change).inGroup(4),
    Fraction("GRIDDENCITYOT", "JvDBSpinEdit21", "Плотность наблюдений (км/км2)", 1,
             "Плотность наблюдений,\u00A0в км/км^2").onChange(H::DBEdit11Change).inGroup(4),
    TextEdit("OBSERVATIONSYSTEM", "DBEdit12", "Система наблюдений", "Система наблюдений")
        .onChange(H::DBEdit11Change).inGroup(4),
    Fraction("STEPOT", "JvDBSpinEdit22", "Расстояние между точками наблюдений (м)", 0,
             "Расстояние между точками наблюдений").onChange(H::DBEdit11Change).inGroup(4),

    // 5: structural drilling
    Picker("_SHOOTSCALEST", "JvDBComboEdit6", "Масштаб съемки", H::JvDBComboEdit6ButtonClick)
        .onChange(H::JvDBComboEdit6Change).inGroup(5),
    Fraction("GRIDDENCITYST", "JvDBSpinEdit23", "Плотность сети скважин (скв/км2)", 1,
             "Плотность сети скважин, число скважин на 1 км^2. Например: 4")
        .onChange(H::JvDBComboEdit6Change).inGroup(5),
};

constexpr MethodGroupDecl kMethodGroups[] = {{1, 89}, {2, 89}, {3, 90}, {4, 92}, {5, 91}};

const FormPageDecl kPage{kGroups, kControls};

} // namespace

const FormPageDecl& MethodsPage() { return kPage; }
std::span<const MethodGroupDecl> MethodGroups() { return kMethodGroups; }

} // namespace talvena
