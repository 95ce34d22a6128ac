#pragma once
// A record navigator: a bar of buttons acting on one record table (first, prior, next, last,
// insert, delete, post, cancel; a navigator shows the subset it was declared with). Deleting asks
// "Delete record?" first. Buttons are enabled as the table's position and state allow.
#include "model/grid_decl.h"
#include "table/record_table.h"

#include <QWidget>
#include <array>

class QToolButton;

namespace talvena {

class RecordNavigator : public QWidget, public TableObserver {
public:
    RecordNavigator(RecordTable& table, uint8_t buttons, const char* objectName, QWidget* parent = nullptr);
    ~RecordNavigator() override;

    // The button of one kind (nullptr when the navigator does not have it).
    QToolButton* button(NavigatorButton kind) const;
    void press(NavigatorButton kind);

    void tableChanged(RecordTable& table, TableChange change) override;

private:
    void updateEnabled();

    RecordTable& table_;
    std::array<QToolButton*, kNavigatorButtonCount> buttons_{};
};

} // namespace talvena
