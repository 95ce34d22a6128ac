#include "model/field_schema.h"

#include "base/cp1251.h"
#include "model/field_rules.h"
#include "table/record_table.h"

namespace talvena {

namespace {

void attachRule(Field& f, FieldRule rule, const SchemaContext& context)
{
    const FieldFinder find = context.findFieldByObjectName;
    switch (rule) {
    case FieldRule::None:
        break;
    case FieldRule::Positive:
    case FieldRule::Axis:
        f.onValidate = [find](Field& field) { ValidateFloatFieldGrt0(field, find); };
        break;
    case FieldRule::Fraction:
        f.onValidate = [find](Field& field) { ValidateFloatFieldGrt0Lower1(field, find); };
        break;
    case FieldRule::PositiveInteger:
        f.onValidate = ValidateIntFieldGrt0;
        break;
    case FieldRule::YearChain:
        if (const YearLink* link = FindYearLink(f.name()))
            f.onValidate = [link](Field& field) { ValidateYearLink(field, *link); };
        break;
    case FieldRule::IsohypseMark:
        f.onValidate = REFLECT_HORIZONTSIZOGIPSMARKValidate;
        f.onChange = NegatePositiveIsohypseMark;
        break;
    }
}

} // namespace


const FieldDecl* FindFieldDecl(std::span<const FieldDecl> schema, const QByteArray& name)
{
    for (const FieldDecl& d : schema)
        if (name.compare(d.name, Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

void BuildFields(RecordTable& table, std::span<const FieldDecl> schema, const SchemaContext& context)
{
    for (const FieldDecl& d : schema) {
        FieldDef def;
        def.name = d.name;
        def.type = d.type;
        def.size = d.size;
        def.kind = d.kind;
        def.required = d.required;
        if (d.kind == FieldKind::Lookup) {
            def.lookup.keyField = d.lookup.keyField;
            def.lookup.table = context.findTable ? context.findTable(d.lookup.table) : nullptr;
            def.lookup.tableKeyField = "ID";
            def.lookup.resultField = d.lookup.resultField;
        }
        Field& f = table.addField(def);
        if (*d.displayFormat) f.setDisplayFormat(d.displayFormat);
        attachRule(f, d.rule, context);
    }
}

} // namespace talvena
