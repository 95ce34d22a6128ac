#include "gui/record_navigator.h"

#include "gui/error_handler.h"
#include "gui/user_interaction.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace talvena {

namespace {

struct ButtonDecl {
    NavigatorButton kind;
    const char* name;  // object name suffix
    const char* glyph; // drawn on the button
    const char* hint;
};

constexpr ButtonDecl kButtons[kNavigatorButtonCount] = {
    {NavFirst, "First", "|◀", "Перейти в начало"},
    {NavPrior, "Prior", "◀", "Перейти к предыдущей строке"},
    {NavNext, "Next", "▶", "Перейти к следующей строке"},
    {NavLast, "Last", "▶|", "Перейти в конец"},
    {NavInsert, "Insert", "+", "Добавить строку"},
    {NavDelete, "Delete", "−", "Удалить строку"},
    {NavPost, "Post", "✔", "Подтвердить последние изменения"},
    {NavCancel, "Cancel", "✖", "Отказаться от последних изменений"},
};

int slotOf(NavigatorButton kind)
{
    for (int i = 0; i < kNavigatorButtonCount; ++i)
        if (kButtons[i].kind == kind) return i;
    return 0;
}

bool editing(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

} // namespace

RecordNavigator::RecordNavigator(RecordTable& table, uint8_t buttons, const char* objectName, QWidget* parent)
    : QWidget(parent), table_(table)
{
    setObjectName(QString::fromLatin1(objectName));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kNavigatorButtonCount; ++i) {
        const ButtonDecl& d = kButtons[i];
        if (!(buttons & d.kind)) continue;
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(objectName) + QString::fromLatin1(d.name));
        b->setText(QString::fromUtf8(d.glyph));
        b->setToolTip(QString::fromUtf8(d.hint));
        b->setFixedSize(25, 25);
        b->setFocusPolicy(Qt::NoFocus);
        const NavigatorButton kind = d.kind;
        connect(b, &QToolButton::clicked, this, [this, kind] { press(kind); });
        layout->addWidget(b);
        buttons_[size_t(i)] = b;
    }
    layout->addStretch(1);
    table_.addObserver(this);
    updateEnabled();
}

RecordNavigator::~RecordNavigator() { table_.removeObserver(this); }

QToolButton* RecordNavigator::button(NavigatorButton kind) const { return buttons_[size_t(slotOf(kind))]; }

void RecordNavigator::press(NavigatorButton kind)
{
    RunGuarded([&] {
        switch (kind) {
        case NavFirst: table_.first(); break;
        case NavPrior: table_.prior(); break;
        case NavNext: table_.next(); break;
        case NavLast: table_.last(); break;
        case NavInsert: table_.insert(); break;
        case NavDelete:
            if (table_.positionCount() == 0) return;
            if (!userInteraction().askYesNo(BoxCaption::Confirmation, QStringLiteral("Delete record?"))) return;
            table_.deleteRecord();
            break;
        case NavPost: table_.post(); break;
        case NavCancel: table_.cancel(); break;
        }
    });
}

void RecordNavigator::tableChanged(RecordTable&, TableChange) { updateEnabled(); }

void RecordNavigator::updateEnabled()
{
    const bool active = table_.active() && !table_.readOnly();
    const bool inEdit = editing(table_);
    const int position = table_.currentViewPosition();
    const int count = table_.positionCount();
    const bool atFirst = position <= 0;
    const bool atLast = position < 0 || position >= count - 1;
    const bool enabled[kNavigatorButtonCount] = {
        table_.active() && !atFirst, table_.active() && !atFirst, table_.active() && !atLast,
        table_.active() && !atLast,  active,                      active && count > 0,
        active && inEdit,            active && inEdit,
    };
    for (int i = 0; i < kNavigatorButtonCount; ++i)
        if (buttons_[size_t(i)]) buttons_[size_t(i)]->setEnabled(enabled[i]);
}

} // namespace talvena
