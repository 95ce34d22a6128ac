#pragma once
// The controls of the form pages, declared as data: one table per page, walked by one builder
// (page_builder.h). A row says what kind of control it is, which PASPORTS field it edits, its
// object name, caption, hint, dictionary, number format, change handler and where it sits.
#include <cstdint>
#include <span>

namespace talvena {

enum class ControlKind : uint8_t {
    TextEdit,        // one-line text bound to a string field
    Spinner,         // numeric text with up/down buttons bound to a numeric field
    DictionaryCombo, // drop-down of a dictionary's NAMEs storing the chosen ID
    PickerBox,       // read-only text of a calculated or lookup field with a picker button
    ValueLabel,      // read-only text set by code
    Notice,          // a full-width notice panel with bold text
};

// Handlers that controls run: change handlers and picker buttons.
enum class PageHandler : uint8_t {
    None,
    JvDBLookupCombo1Change,
    JvDBLookupCombo2Change,
    JvDBLookupCombo3Change,
    JvDBLookupCombo4Change,
    JvDBLookupCombo5Change,
    JvDBLookupCombo6Change,
    JvDBLookupCombo7Change,
    JvDBLookupCombo10Change,
    JvDBLookupCombo13Change,
    JvDBComboEdit3Change,
    JvDBSpinEdit12Change,
    DBEdit10Change,
    DBEdit11Change,
    JvDBComboEdit6Change,
    JvDBComboEdit1ButtonClick,
    JvDBComboEdit2ButtonClick,
    JvDBComboEdit3ButtonClick,
    JvDBComboEdit4ButtonClick,
    JvDBComboEdit5ButtonClick,
    JvDBComboEdit6ButtonClick,
};

// Spinner formats.
inline constexpr int kIntegerSpinner = -1; // whole numbers; otherwise the count of decimals shown

// A control of a PASPORTS field shows the caption, hint and dictionary of the field's row
// (field_schema.h) and takes its number limit; a row here names only what differs.
struct ControlDecl {
    ControlKind kind;
    const char* field;         // PASPORTS field the control shows; "" for value labels and notices
    const char* objectName;
    const char* caption = nullptr; // UTF-8; in the caption column, or before the control when beside;
                                   // nullptr: the field's
    const char* hint = nullptr;    // UTF-8; nullptr: the field's, else the caption; "": no hint
    int decimals = kIntegerSpinner;
    PageHandler change = PageHandler::None;
    PageHandler button = PageHandler::None;
    int group = 0;             // number of the group box holding it; 0: the page itself
    bool beside = false;       // on the row of the previous control, right of it
    const char* captionName = ""; // object name of the caption label, where it has one
    const char* rowCaption = "";  // beside == false only: a caption for the row when `caption` sits beside the control
    bool startsDisabled = false;

    // Modifiers, so that each row of a table stays one readable line.
    constexpr ControlDecl onChange(PageHandler h) const { ControlDecl d = *this; d.change = h; return d; }
    constexpr ControlDecl inGroup(int g) const { ControlDecl d = *this; d.group = g; return d; }
    constexpr ControlDecl besidePrevious() const { ControlDecl d = *this; d.beside = true; return d; }
    constexpr ControlDecl captionLabel(const char* name) const { ControlDecl d = *this; d.captionName = name; return d; }
    constexpr ControlDecl underRowCaption(const char* text) const { ControlDecl d = *this; d.rowCaption = text; return d; }
    constexpr ControlDecl disabled() const { ControlDecl d = *this; d.startsDisabled = true; return d; }
    constexpr ControlDecl captioned(const char* c) const { ControlDecl d = *this; d.caption = c; return d; }
    constexpr ControlDecl hinted(const char* h) const { ControlDecl d = *this; d.hint = h; return d; }
};

inline constexpr const char* kNoHint = "";

// Row makers for the page tables.
namespace decl {

constexpr ControlDecl TextEdit(const char* field, const char* name) { return {ControlKind::TextEdit, field, name}; }
constexpr ControlDecl Spinner(const char* field, const char* name, int decimals)
{
    ControlDecl d{ControlKind::Spinner, field, name};
    d.decimals = decimals;
    return d;
}
constexpr ControlDecl Combo(const char* field, const char* name) { return {ControlKind::DictionaryCombo, field, name}; }
constexpr ControlDecl Picker(const char* field, const char* name, PageHandler button)
{
    ControlDecl d{ControlKind::PickerBox, field, name};
    d.button = button;
    return d;
}
// A value label of the totals, captioned as the model names it (GeologyLabelCaption).
constexpr ControlDecl ValueLabel(const char* name)
{
    return ControlDecl{ControlKind::ValueLabel, "", name, nullptr, kNoHint};
}
// A value label with a caption of its own, for values the model's totals do not name.
constexpr ControlDecl ValueLabel(const char* name, const char* caption)
{
    return ControlDecl{ControlKind::ValueLabel, "", name, caption, kNoHint};
}
constexpr ControlDecl Notice(const char* name, const char* text)
{
    return ControlDecl{ControlKind::Notice, "", name, text, kNoHint};
}

} // namespace decl

// A group box of a page: its number (what ControlDecl::group names), object name, caption and
// column (0 left, 1 right; a page whose groups all sit in column 0 stacks them full width).
struct GroupDecl {
    int number;
    const char* objectName;
    const char* caption;
    int column;
};

struct FormPageDecl {
    std::span<const GroupDecl> groups;
    std::span<const ControlDecl> controls;
};

// The form pages.
const FormPageDecl& GeographyPage();
const FormPageDecl& HistoryPage();
const FormPageDecl& MethodsPage();
const FormPageDecl& GeologyPage();
const FormPageDecl& EconomicsPage();

// The inner pages of the passport, index 0 to 11: object name, caption and, for a form page, its
// declaration (nullptr for the grid pages).
struct InnerPageDecl {
    const char* objectName;
    const char* caption;
    const FormPageDecl* form;
};
std::span<const InnerPageDecl> InnerPages();

} // namespace talvena
