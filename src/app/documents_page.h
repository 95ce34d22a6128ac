#pragma once
// The outer page "Документы/Графика": the three slot lists (documents, graphics, additional
// graphics) in groups stacked with movable splitters, each a read-only grid with four buttons
// (load, clear, edit comment, export); a double click comments a filled slot and loads an empty
// one, and a file dropped from the file manager onto a slot loads into it. Entering the page checks
// that the horizons its slots need exist, then rebuilds the lists.
#include "model/attachment_slots.h"

#include <QObject>
#include <QString>
#include <array>

class QPushButton;
class QSplitter;

namespace talvena {

class RecordGridView;
class TDataModule2;
class TMainForm;
class UserInteraction;

class DocumentsPage : public QObject {
public:
    static constexpr int kOuterPage = 1;
    static constexpr int kGroupHeight = 137;

    explicit DocumentsPage(TMainForm& window);
    ~DocumentsPage() override;

    AttachmentSlots& slotLists() { return lists_; }
    RecordGridView* grid(SlotList which) const { return grids_[index(which)]; }
    QSplitter* splitter() const { return splitter_; }

    void BuildFileLists();
    void TabSheet2Show();

    // The operations of each list's buttons, on the list's selected slot.
    void load(SlotList which);
    void clear(SlotList which);
    void editComment(SlotList which);
    void exportFile(SlotList which);
    void doubleClick(SlotList which);
    // Loads a file into the selected slot (the load button after its dialog, or a dropped file).
    // The file is compressed away from the user-interface thread; a file that cannot be read
    // leaves the slot and its attachment as they were and is reported.
    void loadFile(SlotList which, const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static size_t index(SlotList which) { return static_cast<size_t>(which); }
    void buildPage();
    void warnAndReturn(const char* message, int innerPage);
    bool acceptsDrop(const QEvent* event, QString* path) const;

    TMainForm& window_;
    TDataModule2& dm_;
    UserInteraction& ui_;
    AttachmentSlots lists_;
    std::array<RecordGridView*, 3> grids_{};
    QSplitter* splitter_ = nullptr;
    QString loadFolder_;   // the load dialog opens where the last file came from
    QString exportFolder_; // and the export dialog where the last file went
    bool loading_ = false;
};

} // namespace talvena
