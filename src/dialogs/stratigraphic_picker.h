#pragma once
// The stratigraphic index picker: the systems of Dict19 above, the indexes of the chosen system
// from Dict16 below, "Выбрать" / "Отказ". The chosen index is the current record of Dict16.
//
// While the picker is open Dict16 carries the filter "PARENT_ID=" + the system's ID. Every
// stratigraphic name of the passport is a lookup into the whole of Dict16, so the filter is
// switched off and its text cleared when the dialog closes and again when it is destroyed.
#include <QDialog>

class QModelIndex;
class QPushButton;

namespace talvena {

class DictionaryListView;
class RecordTable;

class TSelecStratigrForm : public QDialog {
public:
    TSelecStratigrForm(RecordTable& dict16, RecordTable& dict19, QWidget* parent = nullptr);
    ~TSelecStratigrForm() override;

    // Puts both lists on the index with this ID; a search that finds nothing leaves its list on
    // the row that was current.
    void PresetIndex(int id);

    // The ID of Dict16's current record (0 when the list is empty). After the dialog has been
    // confirmed: the ID it was confirmed with.
    int chosenIndex() const;

    DictionaryListView* systemList() const { return systems_; }
    DictionaryListView* indexList() const { return indexes_; }
    QPushButton* selectButton() const { return selectButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void done(int result) override;

private:
    // Narrows Dict16 to the indexes of Dict19's current system.
    void showIndexesOfCurrentSystem();
    void removeIndexFilter() noexcept;

    RecordTable& dict16_;
    RecordTable& dict19_;
    DictionaryListView* systems_;
    DictionaryListView* indexes_;
    QPushButton* selectButton_;
    QPushButton* cancelButton_;
    int confirmed_ = 0;
    bool presetting_ = false;
    bool closed_ = false;
};

} // namespace talvena
