#pragma once
// The attachments page's three slot lists: documents (Files1), graphics (Files2) and additional
// graphics (Files3). A slot is a named place for one attachment; which slots a passport has follows
// from its horizons, and which attachment a slot shows follows only from the attachment's stored
// name. The lists are rebuilt from the passport's tables and never stored.
//
// Beyond the lists themselves this unit holds what loading, clearing, commenting and writing out a
// slot do to FILES, so the page's rules run and are tested without a window.
#include "model/attachment_store.h"
#include "table/record_table.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace talvena {

class TDataModule2;

enum class SlotList { Documents, Graphics, Additional }; // Files1, Files2, Files3

// One slot as a list shows it; a slot is empty when fileName is.
struct AttachmentSlot {
    QByteArray title;       // DOCTYPE
    QByteArray key;         // DOCTYPE2 of horizon and profile slots: To1, Str1, Prod1, Geo1, Vrem1
    QByteArray fileName;    // stored name of the attachment shown
    QByteArray sourceName;  // its source file name
    QByteArray description; // its comment
};

struct SlotArrangement {
    std::vector<AttachmentSlot> documents, graphics, additional;
    int geologicalSections = 0; // profile slots filled in each growing run
    int timeSections = 0;
};

// The three lists for the reflecting horizons' indexes and the productive horizons' names (stratigraphic
// name, a blank, suite), each in record order, and the attachments in stored order. Each attachment
// goes to the first slot its stored name fits by the placement rules; a slot already showing an
// attachment takes no second one, which then falls to the rules after it (so no attachment is
// hidden behind another).
SlotArrangement ArrangeSlots(const std::vector<QByteArray>& reflectingIndexes,
                             const std::vector<QByteArray>& productiveNames,
                             const std::vector<AttachmentInfo>& attachments);

// The extension of a file name with its dot, taken after the last dot; empty when there is none.
QByteArray FileExtension(const QByteArray& fileName);
// A stored name without its extension.
QByteArray WithoutExtension(const QByteArray& storedName);

class AttachmentSlots {
public:
    static constexpr int kTitleWidth = 80;
    static constexpr int kNameWidth = 128;

    explicit AttachmentSlots(TDataModule2& dataModule);
    AttachmentSlots(const AttachmentSlots&) = delete;
    AttachmentSlots& operator=(const AttachmentSlots&) = delete;

    // Fields DOCTYPE, FileName, Description, (DOCTYPE2 in Files2,) SrcName and the calculated
    // FileName_ (SrcName, else FileName).
    RecordTable Files1{"Files1"};
    RecordTable Files2{"Files2"};
    RecordTable Files3{"Files3"};
    RecordTable& list(SlotList which);
    int geologicalSections() const { return geological_; }
    int timeSections() const { return time_; }

    // Switches off the productive horizons' resource filter and rebuilds the three lists; the
    // documents and graphics lists stand on their first slot, the additional list on its last,
    // empty one.
    void BuildFileLists();

    // The selected slot (the list's current record).
    bool selectedFilled(SlotList which);
    QByteArray selectedFileName(SlotList which);
    QByteArray selectedDescription(SlotList which);
    // The stored name a file of this name gets in the selected slot, before it is made unique:
    // the title (or the key of a graphics slot) with the file's extension; the file's own name in
    // the additional list.
    QByteArray storedNameFor(SlotList which, const QString& sourcePath);

    // Loading into the selected slot, with the file already compressed (CompressAttachmentFile):
    // the slot's previous attachment goes, the new one is appended under a unique stored name and
    // the slot shows it; the modified flag is set. A graphics load rebuilds the lists; a load into
    // an empty additional slot adds a new empty one after it. Returns the stored name.
    QByteArray storeInSelected(SlotList which, const QString& sourcePath, const QByteArray& compressed);
    // Reads, compresses and stores in one step. A file that cannot be read changes nothing.
    QByteArray loadIntoSelected(SlotList which, const QString& sourcePath);
    // Removes the selected slot's attachment and empties the slot, which stays in its list until
    // the next rebuild; false (nothing changed) when the slot is empty or FILES has no such name.
    bool clearSelected(SlotList which);
    // Stores a changed comment in the slot and its attachment; false when the slot is empty or
    // the text is the comment it has.
    bool setSelectedComment(SlotList which, const QByteArray& text);
    // Makes the selected slot's attachment the current record of FILES when it has content to
    // write out; false otherwise.
    bool selectForExport(SlotList which);
    // The file name an export proposes: the source file name, else the stored name.
    QByteArray exportName(SlotList which);

private:
    void fill(RecordTable& table, const std::vector<AttachmentSlot>& slotRows);

    TDataModule2& dm_;
    int geological_ = 0;
    int time_ = 0;
};

} // namespace talvena
