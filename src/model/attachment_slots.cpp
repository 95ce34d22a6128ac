#include "model/attachment_slots.h"

#include "base/cp1251.h"
#include "base/text_case.h"
#include "model/data_module.h"

#include <QFileInfo>
#include <QHash>
#include <optional>

namespace talvena {

namespace {

QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

const char* const kDocumentTitles[] = {"Титульный лист", "Пояснительная записка", "Рекомендации"};
const char* const kGraphicsTitles[] = {"Список графики", "Обзорная карта", "Фрагмент тектонической схемы",
                                       "Карта изученности", "Сводный геолого-геофизический разрез"};
// The "То" of the first title is Cyrillic; the keys are Latin.
const char* const kReflectingMapTitle = "Карта То по ОГ: ";
const char* const kReflectingStructureTitle = "Структурная карта по ОГ: ";
const char* const kProductiveStructureTitle = "Структурная карта по ПГ: ";
const char* const kGeologicalSectionTitle = "Геолого-геофизический разрез по профилю №";
const char* const kTimeSectionTitle = "Временной сейсмический разрез по профилю №";
const char* const kAdditionalTitle = "Дополнительный файл графики";

bool startsWithIgnoringCase(const QByteArray& text, const char* latinPrefix)
{
    return LowerCaseByTable(text.left(qsizetype(qstrlen(latinPrefix)))) == QByteArray(latinPrefix).toLower();
}

AttachmentSlot titled(const QByteArray& title, const QByteArray& key = {})
{
    return {title.left(AttachmentSlots::kTitleWidth), key, {}, {}, {}};
}

void fillFrom(AttachmentSlot& s, const AttachmentInfo& a)
{
    s.fileName = a.name;
    s.sourceName = a.sourceName;
    s.description = a.description;
}

// The graphics list in three runs that grow independently: the fixed and horizon slots, the
// geological sections and the time sections, shown in this order. Titles and keys are found
// through indexes instead of a search of the list per attachment.
class GraphicsRuns {
public:
    enum Run { Fixed, Geological, Time };
    struct At {
        Run run;
        int index;
    };

    void add(Run run, AttachmentSlot s)
    {
        std::vector<AttachmentSlot>& r = runs_[run];
        const At at{run, int(r.size())};
        // Two horizons may share an index and so a title: the first slot of a title is the one found.
        const QByteArray title = LowerCaseByTable(s.title);
        if (!byTitle_[run].contains(title)) byTitle_[run].insert(title, at.index);
        if (!s.key.isEmpty()) byKey_.insert(LowerCaseByTable(s.key), at);
        r.push_back(std::move(s));
    }
    AttachmentSlot& operator[](At at) { return runs_[at.run][size_t(at.index)]; }

    // The first slot with this title, letter case ignored.
    std::optional<At> withTitle(const QByteArray& title) const
    {
        const QByteArray lower = LowerCaseByTable(title);
        for (Run run : {Fixed, Geological, Time}) {
            const auto it = byTitle_[run].constFind(lower);
            if (it != byTitle_[run].constEnd()) return At{run, *it};
        }
        return std::nullopt;
    }
    // The slot with this key, letter case ignored or not.
    std::optional<At> withKey(const QByteArray& key, bool ignoreCase)
    {
        const auto it = byKey_.constFind(LowerCaseByTable(key));
        if (it == byKey_.constEnd() || (!ignoreCase && (*this)[*it].key != key)) return std::nullopt;
        return *it;
    }

    std::vector<AttachmentSlot> joined()
    {
        std::vector<AttachmentSlot> all;
        for (auto& r : runs_) all.insert(all.end(), std::make_move_iterator(r.begin()), std::make_move_iterator(r.end()));
        return all;
    }

private:
    std::vector<AttachmentSlot> runs_[3];
    QHash<QByteArray, int> byTitle_[3];
    QHash<QByteArray, At> byKey_;
};

} // namespace

QByteArray FileExtension(const QByteArray& fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    return dot < 0 ? QByteArray() : fileName.mid(dot);
}

QByteArray WithoutExtension(const QByteArray& storedName)
{
    const qsizetype dot = storedName.lastIndexOf('.');
    return dot < 0 ? storedName : storedName.left(dot);
}

SlotArrangement ArrangeSlots(const std::vector<QByteArray>& reflectingIndexes,
                             const std::vector<QByteArray>& productiveNames,
                             const std::vector<AttachmentInfo>& attachments)
{
    SlotArrangement out;
    QHash<QByteArray, int> documentByTitle;
    for (const char* t : kDocumentTitles) {
        documentByTitle.insert(LowerCaseByTable(cp(t)), int(out.documents.size()));
        out.documents.push_back(titled(cp(t)));
    }

    GraphicsRuns graphics;
    for (const char* t : kGraphicsTitles) graphics.add(GraphicsRuns::Fixed, titled(cp(t)));
    const auto numbered = [](const char* prefix, qsizetype n) { return QByteArray(prefix) + QByteArray::number(n); };
    for (size_t i = 0; i < reflectingIndexes.size(); ++i)
        graphics.add(GraphicsRuns::Fixed, titled(cp(kReflectingMapTitle) + reflectingIndexes[i], numbered("To", i + 1)));
    for (size_t i = 0; i < reflectingIndexes.size(); ++i)
        graphics.add(GraphicsRuns::Fixed,
                     titled(cp(kReflectingStructureTitle) + reflectingIndexes[i], numbered("Str", i + 1)));
    for (size_t i = 0; i < productiveNames.size(); ++i)
        graphics.add(GraphicsRuns::Fixed,
                     titled(cp(kProductiveStructureTitle) + productiveNames[i], numbered("Prod", i + 1)));
    const auto addSection = [&](GraphicsRuns::Run run, int number) {
        const bool geological = run == GraphicsRuns::Geological;
        graphics.add(run, titled(cp(geological ? kGeologicalSectionTitle : kTimeSectionTitle) + QByteArray::number(number),
                                 numbered(geological ? "Geo" : "Vrem", number)));
    };
    addSection(GraphicsRuns::Geological, 1);
    addSection(GraphicsRuns::Time, 1);

    // The placement rules in their order. A rule places an attachment only into a slot that shows
    // none yet; "Geo" and "Vrem" fill the next section of their run, whatever number B carries.
    using At = GraphicsRuns::At;
    const auto free = [&](std::optional<At> at) { return at && graphics[*at].fileName.isEmpty() ? at : std::nullopt; };
    const auto graphicsSlotFor = [&](const QByteArray& base) -> std::optional<At> {
        if (startsWithIgnoringCase(base, "To"))
            if (auto at = free(graphics.withKey(base, true))) return at;
        if (startsWithIgnoringCase(base, "Str"))
            if (auto at = free(graphics.withKey(base, false))) return at;
        if (auto at = free(graphics.withTitle(base))) return at;
        if (startsWithIgnoringCase(base, "Geo"))
            if (auto at = free(graphics.withKey(numbered("Geo", out.geologicalSections + 1), true))) {
                addSection(GraphicsRuns::Geological, ++out.geologicalSections + 1);
                return at;
            }
        if (startsWithIgnoringCase(base, "Prod"))
            if (auto at = free(graphics.withKey(base, false))) return at;
        if (startsWithIgnoringCase(base, "Vrem"))
            if (auto at = free(graphics.withKey(numbered("Vrem", out.timeSections + 1), true))) {
                addSection(GraphicsRuns::Time, ++out.timeSections + 1);
                return at;
            }
        return std::nullopt;
    };
    for (const AttachmentInfo& a : attachments) {
        const QByteArray base = WithoutExtension(a.name);
        const auto document = documentByTitle.constFind(LowerCaseByTable(base));
        if (document != documentByTitle.constEnd() && out.documents[size_t(*document)].fileName.isEmpty()) {
            fillFrom(out.documents[size_t(*document)], a);
        } else if (const std::optional<At> at = graphicsSlotFor(base)) {
            fillFrom(graphics[*at], a);
        } else {
            out.additional.push_back(titled(cp(kAdditionalTitle)));
            fillFrom(out.additional.back(), a);
        }
    }
    out.graphics = graphics.joined();
    out.additional.push_back(titled(cp(kAdditionalTitle)));
    return out;
}

// --- the lists of the window ---------------------------------------------------------------------

namespace {

void defineSlotFields(RecordTable& t, bool withKey)
{
    t.addField("DOCTYPE", FieldType::String, AttachmentSlots::kTitleWidth);
    t.addField("FileName", FieldType::String, AttachmentSlots::kNameWidth);
    t.addField("Description", FieldType::String, AttachmentSlots::kNameWidth);
    if (withKey) t.addField("DOCTYPE2", FieldType::String, AttachmentSlots::kTitleWidth);
    t.addField("SrcName", FieldType::String, AttachmentSlots::kNameWidth);
    t.addField({.name = "FileName_", .size = AttachmentSlots::kNameWidth, .kind = FieldKind::Calculated});
    // Files1CalcFields, Files2CalcFields, Files3CalcFields: the source file name when known.
    t.onCalcFields = [](const RecordTable& table) {
        const QByteArray source = table.fieldByName("SrcName").asString();
        table.fieldByName("FileName_").setString(source.isEmpty() ? table.fieldByName("FileName").asString() : source);
    };
    t.open();
}

QByteArray textOf(const Value& v) { return v.isNull() ? QByteArray() : v.bytesValue(); }

} // namespace

AttachmentSlots::AttachmentSlots(TDataModule2& dataModule) : dm_(dataModule)
{
    defineSlotFields(Files1, false);
    defineSlotFields(Files2, true);
    defineSlotFields(Files3, false);
}

RecordTable& AttachmentSlots::list(SlotList which)
{
    switch (which) {
    case SlotList::Documents: return Files1;
    case SlotList::Graphics: return Files2;
    case SlotList::Additional: break;
    }
    return Files3;
}

void AttachmentSlots::fill(RecordTable& table, const std::vector<AttachmentSlot>& slotRows)
{
    const bool withKey = table.findField("DOCTYPE2") != nullptr;
    table.close();
    table.open();
    table.beginLoad();
    std::vector<Value> values;
    for (const AttachmentSlot& s : slotRows) {
        values = {Value::bytes(s.title), Value::bytes(s.fileName), Value::bytes(s.description)};
        if (withKey) values.push_back(Value::bytes(s.key));
        values.push_back(Value::bytes(s.sourceName));
        table.loadRecord(values, 0);
    }
    table.endLoad();
}

void AttachmentSlots::BuildFileLists()
{
    RecordTable& productive = dm_.POSIB_PRODUCT_HOR;
    productive.setFiltered(false);

    std::vector<QByteArray> reflecting;
    const RecordTable& r = dm_.REFLECT_HORIZONTS;
    const Field& index = r.fieldByName("INDEXOG");
    for (int i = 0; i < r.storedCount(); ++i) reflecting.push_back(textOf(r.rowValue(r.storedRow(i), index)));

    std::vector<QByteArray> productiveNames;
    const Field& stratigraphic = productive.fieldByName("_stratigr_id");
    const Field& suite = productive.fieldByName("STRATIGRSVIT");
    for (int i = 0; i < productive.storedCount(); ++i) {
        const uint32_t row = productive.storedRow(i);
        productiveNames.push_back(textOf(productive.rowValue(row, stratigraphic)) + ' ' +
                                  textOf(productive.rowValue(row, suite)));
    }

    const SlotArrangement a = ArrangeSlots(reflecting, productiveNames, EnumerateAttachments(dm_.FILES));
    geological_ = a.geologicalSections;
    time_ = a.timeSections;
    fill(Files1, a.documents);
    fill(Files2, a.graphics);
    fill(Files3, a.additional);
    Files3.last(); // the empty slot, ready for the next file
}

// --- operations on the selected slot -------------------------------------------------------------

bool AttachmentSlots::selectedFilled(SlotList which) { return !selectedFileName(which).isEmpty(); }

QByteArray AttachmentSlots::selectedFileName(SlotList which)
{
    RecordTable& t = list(which);
    return t.isEmpty() ? QByteArray() : t.fieldByName("FileName").asString();
}

QByteArray AttachmentSlots::selectedDescription(SlotList which)
{
    RecordTable& t = list(which);
    return t.isEmpty() ? QByteArray() : t.fieldByName("Description").asString();
}

QByteArray AttachmentSlots::storedNameFor(SlotList which, const QString& sourcePath)
{
    RecordTable& t = list(which);
    const QByteArray fileName = unicodeToCp1251(QFileInfo(sourcePath).fileName());
    if (which == SlotList::Additional) return fileName;
    const QByteArray key = which == SlotList::Graphics ? t.fieldByName("DOCTYPE2").asString() : QByteArray();
    return (key.isEmpty() ? t.fieldByName("DOCTYPE").asString() : key) + FileExtension(fileName);
}

QByteArray AttachmentSlots::storeInSelected(SlotList which, const QString& sourcePath, const QByteArray& compressed)
{
    RecordTable& t = list(which);
    if (t.isEmpty()) return {};
    const EditJournal::Action action(&dm_.journal(), QStringLiteral("Загрузка файла"));
    const QByteArray previous = selectedFileName(which);
    const QByteArray name =
        ReplaceAttachmentWith(dm_.FILES, previous, storedNameFor(which, sourcePath), sourcePath, compressed);
    dm_.state().setModified(true);
    t.edit();
    t.fieldByName("FileName").setString(name);
    t.fieldByName("SrcName").setString(unicodeToCp1251(QFileInfo(sourcePath).fileName()));
    t.fieldByName("Description").setString({});
    t.post();
    if (which == SlotList::Graphics) {
        BuildFileLists(); // a filled profile slot gets an empty one after it
    } else if (which == SlotList::Additional && previous.isEmpty()) {
        t.append();
        t.fieldByName("DOCTYPE").setString(cp(kAdditionalTitle));
        t.post();
    }
    return name;
}

QByteArray AttachmentSlots::loadIntoSelected(SlotList which, const QString& sourcePath)
{
    return storeInSelected(which, sourcePath, CompressAttachmentFile(sourcePath));
}

bool AttachmentSlots::clearSelected(SlotList which)
{
    const QByteArray name = selectedFileName(which);
    if (name.isEmpty() || !FindAttachment(dm_.FILES, name)) return false;
    const EditJournal::Action action(&dm_.journal(), QStringLiteral("Очистка файла"));
    dm_.state().setModified(true);
    dm_.FILES.deleteRecord();
    RecordTable& t = list(which);
    t.edit();
    for (const char* f : {"FileName", "SrcName", "Description"}) t.fieldByName(f).setString({});
    t.post();
    return true;
}

bool AttachmentSlots::setSelectedComment(SlotList which, const QByteArray& text)
{
    const QByteArray name = selectedFileName(which);
    if (name.isEmpty() || text == selectedDescription(which)) return false;
    const EditJournal::Action action(&dm_.journal(), QStringLiteral("Комментарий к файлу"));
    dm_.state().setModified(true);
    RecordTable& t = list(which);
    t.edit();
    t.fieldByName("Description").setString(text);
    t.post();
    SetAttachmentComment(dm_.FILES, name, text);
    return true;
}

bool AttachmentSlots::selectForExport(SlotList which)
{
    const QByteArray name = selectedFileName(which);
    return !name.isEmpty() && FindAttachment(dm_.FILES, name) && !dm_.FILES.fieldByName("CONTENT").isNull();
}

QByteArray AttachmentSlots::exportName(SlotList which)
{
    RecordTable& t = list(which);
    if (t.isEmpty()) return {};
    const QByteArray source = t.fieldByName("SrcName").asString();
    return source.isEmpty() ? selectedFileName(which) : source;
}

} // namespace talvena
