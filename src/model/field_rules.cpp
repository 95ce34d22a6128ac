#include "model/field_rules.h"

#include "base/error.h"
#include "table/field.h"
#include "table/record_table.h"

#include <array>

namespace talvena {

namespace {

constexpr const char* kMustBePositive = "Значение должно быть больше нуля.";
constexpr const char* kNotAboveOne = "Значение не может быть больше единицы.";
constexpr const char* kMaxBelowMin = "Максимальное значение должно быть больше минимального.";
constexpr const char* kMinAboveMax = "Минимальное значение должно быть меньше максимального.";
constexpr const char* kShortAboveLong = "Значение для \"Короткой оси\" не может быть больше, чем для \"Длинной оси\"";
constexpr const char* kMarkIsZero = "Значение не должно быть равно нулю.";

const YearLink kYearChain[] = {
    {"STARTPREPARATIONYEAR", "SHOWINGUPYEAR",
     "\"Год начала подготовки\" не может быть меньше \"года выявления объекта\"."},
    {"ENDPREPARATIONYEAR", "STARTPREPARATIONYEAR",
     "\"Год окончания подготовки\" не может быть меньше \"Года начала подготовки\"."},
    {"REPORTYEAR", "ENDPREPARATIONYEAR",
     "\"Год составления отчета\" не может быть меньше \"Года окончания подготовки\"."},
    {"PREPAREDFUNDYEAR", "REPORTYEAR",
     "\"Год включения в фонд подготовленных объектов\" не может быть меньше \"Года составления отчета\"."},
};

// The horizons' axes, by object name; each is checked against the other axis of its table.
struct AxisField {
    const char* objectName;
    const char* partner;
    bool isShort;
};
constexpr std::array<AxisField, 4> kAxes{{
    {"REFLECT_HORIZONTSSHORTAXIS", "LONGAXIS", true},
    {"REFLECT_HORIZONTSLONGAXIS", "SHORTAXIS", false},
    {"POSIB_PRODUCT_HORSHORTAXIS", "LONGAXIS", true},
    {"POSIB_PRODUCT_HORLONGAXIS", "SHORTAXIS", false},
}};

bool isFloat(const Field& f) { return f.type() == FieldType::Float; }

// Returns false when the axis partner is NULL: the rest of the validation is then skipped.
bool checkAxes(const Field& f, double v)
{
    for (const AxisField& a : kAxes) {
        if (f.objectName() != a.objectName) continue;
        const Field* partner = f.table().findField(a.partner);
        if (!partner || partner->isNull()) return false;
        const double other = partner->asFloat();
        if (a.isShort ? other < v : other > v) throw Error(kShortAboveLong);
        return true;
    }
    return true;
}

// Minimum/maximum pairing through the object names.
void checkPair(const Field& f, double v, const FieldFinder& find)
{
    const QByteArray& name = f.objectName();
    const bool isMax = name.contains("MAX");
    if (!isMax && !name.contains("MIN")) return;
    QByteArray partnerName = name;
    if (isMax) partnerName.replace("MAX", "MIN");
    else partnerName.replace("MIN", "MAX");
    const Field* partner = find ? find(partnerName) : nullptr;
    if (!partner || !isFloat(*partner) || partner->isNull()) return;
    const double other = partner->asFloat();
    if (isMax && other > v) throw Error(kMaxBelowMin);
    if (!isMax && other < v) throw Error(kMinAboveMax);
}

} // namespace

void ValidateIntFieldGrt0(Field& f)
{
    if (!isIntegerType(f.type()) || f.isNull()) return;
    if (f.asInteger() <= 0) throw Error(kMustBePositive);
}

void ValidateFloatFieldGrt0(Field& f, const FieldFinder& find)
{
    if (!isFloat(f) || f.isNull()) return;
    const double v = f.asFloat();
    if (!(v > 0)) throw Error(kMustBePositive);
    if (!checkAxes(f, v)) return;
    checkPair(f, v, find);
}

void ValidateFloatFieldGrt0Lower1(Field& f, const FieldFinder& find)
{
    if (!isFloat(f) || f.isNull()) return;
    const double v = f.asFloat();
    if (!(v > 0)) throw Error(kMustBePositive);
    if (v > 1) throw Error(kNotAboveOne);
    checkPair(f, v, find);
}

const YearLink* FindYearLink(const QByteArray& fieldName)
{
    for (const YearLink& l : kYearChain)
        if (fieldName.compare(l.field, Qt::CaseInsensitive) == 0) return &l;
    return nullptr;
}

void ValidateYearLink(Field& f, const YearLink& link)
{
    if (f.isNull()) return;
    const Field* previous = f.table().findField(link.previous);
    if (!previous || previous->isNull()) return;
    const int64_t year = f.asInteger();
    if (year <= 0) throw Error(kMustBePositive);
    if (year < previous->asInteger()) throw Error(link.message);
}

void REFLECT_HORIZONTSIZOGIPSMARKValidate(Field& f)
{
    if (!f.isNull() && f.asFloat() == 0) throw Error(kMarkIsZero);
}

void NegatePositiveIsohypseMark(Field& f)
{
    if (!f.isNull() && f.asFloat() > 0) f.setFloat(-f.asFloat());
}

} // namespace talvena
