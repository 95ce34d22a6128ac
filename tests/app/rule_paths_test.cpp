// The passport's rules reached two ways must agree: random user actions through the real controls
// of the window (typing, drop-down picks, emptying, picker dialogs), and the same edits through
// the model alone on a second data module without a window. After every action the passport
// records match and the action is exactly one undo step named after its control; undoing and
// redoing every step walks both through the same states the actions left.
#include "window_fixture.h"

#include "app/page_decl.h"
#include "model/passport_rules.h"

#include <map>
#include <random>

using namespace talvena;
using namespace talvena::testing;

namespace {

// Controls of the pages 1 to 4 whose change handlers run rules, and a few around them.
const char* const kControls[] = {
    "JvDBLookupCombo1",  "JvDBLookupCombo2",  "JvDBLookupCombo3",  "JvDBLookupCombo4",  "JvDBLookupCombo5",
    "JvDBLookupCombo6",  "JvDBLookupCombo10", "JvDBLookupCombo11", "JvDBLookupCombo12", "JvDBLookupCombo13",
    "JvDBLookupCombo14", "JvDBLookupCombo15", "JvDBLookupCombo19", "JvDBLookupCombo20", "DBEdit1",
    "DBEdit10",          "DBEdit11",          "DBEdit12",          "DBEdit16",          "DBEdit19",
    "DBEdit20",          "JvDBSpinEdit7",     "JvDBSpinEdit12",    "JvDBSpinEdit19",    "JvDBSpinEdit23",
    "JvDBComboEdit3",    "JvDBComboEdit4",    "JvDBComboEdit5",    "JvDBComboEdit6",
};

using Record = std::vector<Value>;

Record recordOf(RecordTable& t)
{
    Record r;
    for (int i = 0; i < t.fieldCount(); ++i)
        if (t.field(i).isData()) r.push_back(t.field(i).value());
    return r;
}

std::string differences(RecordTable& a, const Record& expected)
{
    std::string out;
    const Record got = recordOf(a);
    for (int i = 0, d = 0; i < a.fieldCount(); ++i) {
        if (!a.field(i).isData()) continue;
        if (!(got[d] == expected[d])) out += a.field(i).name().toStdString() + " ";
        ++d;
    }
    return out;
}

class RulePathsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        direct = std::make_unique<TDataModule2>();
        direct->DataModuleCreate(QCoreApplication::applicationDirPath());
    }
    void TearDown() override
    {
        direct.reset();
        WindowTest::TearDown();
    }

    int random(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }

    enum class Acted { No, Unchanged, Yes };
    // One user action on the window's control. A closed control takes none; a drop-down picked
    // at the entry it shows changes nothing (and neither does emptying an empty one).
    Acted actInWindow(const char* name)
    {
        QWidget* w = find(name);
        if (!w->isEnabled()) return Acted::No;
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const bool empty = window->binder(QString::fromLatin1(name))->field()->isNull();
            focus(name);
            if (combo->count() == 0 || random(6) == 0) {
                QTest::keyClick(combo, Qt::Key_Delete);
                settle();
                return empty ? Acted::Unchanged : Acted::Yes;
            }
            const int index = random(combo->count());
            const bool same = index == combo->currentIndex();
            combo->setCurrentIndex(index);
            emit combo->activated(index);
            settle();
            return same ? Acted::Unchanged : Acted::Yes;
        }
        if (auto* box = dynamic_cast<PickerBox*>(w)) {
            // A cancelled picker, or one confirming the scale shown, changes nothing.
            const std::optional<int> chosen =
                random(4) == 0 ? std::optional<int>() : std::optional<int>(1000 * (1 + random(20)));
            const Field& scale = dm->PASPORTS.fieldByName(window->binder(QString::fromLatin1(name))->fieldName().mid(1));
            const bool same = !chosen || (!scale.isNull() && scale.asInteger() == *chosen);
            pickers.scales.push_back(chosen);
            QTest::mouseClick(box->button(), Qt::LeftButton);
            settle();
            return same ? Acted::Unchanged : Acted::Yes;
        }
        if (dynamic_cast<NumberSpinner*>(w)) {
            const int decimals = dynamic_cast<NumberSpinner*>(w)->decimals();
            const QString typed = QString::number(1 + random(90)) + (decimals > 0 ? QStringLiteral(".5") : QString());
            replaceText(name, typed);
        } else {
            static const char* const kWords[] = {"Гравиразведка", "ВЭЗ", "Магниторазведка", "Своя", "Южное поле"};
            replaceText(name, u(kWords[random(std::size(kWords))]));
        }
        leave(name);
        return Acted::Yes;
    }

    std::mt19937 gen{28};
    std::unique_ptr<TDataModule2> direct;
};

TEST_F(RulePathsTest, TheWindowAndTheModelRunTheSameRulesAndEachActionIsOneStepUndoneAsOne)
{
    // The groups the model empties are the groups the page shows.
    int grouped = 0;
    for (const ControlDecl& c : MethodsPage().controls) {
        if (!c.group) continue;
        const QByteArray f = c.field[0] == '_' ? QByteArray(c.field + 1) : QByteArray(c.field);
        EXPECT_EQ(MethodGroupOfField(f), c.group) << c.field;
        ++grouped;
    }
    size_t declared = 0;
    for (const MethodGroup& g : MethodGroups()) declared += g.fields.size();
    EXPECT_EQ(declared, static_cast<size_t>(grouped));

    std::map<size_t, Record> states{{0, recordOf(dm->PASPORTS)}};
    int acted = 0;
    for (int i = 0; i < 160; ++i) {
        const char* name = kControls[random(std::size(kControls))];
        FieldBinder* binder = window->binder(QString::fromLatin1(name));
        ASSERT_TRUE(binder) << name;
        const size_t before = dm->journal().doneSteps();
        const Acted how = actInWindow(name);
        if (how == Acted::No) continue;
        ++acted;
        ASSERT_TRUE(ui.boxes.isEmpty()) << name << ": " << ui.boxTexts().join('\n').toStdString();
        ASSERT_EQ(dm->PASPORTS.state(), TableState::Browse) << name;

        // The same edit through the model: the value the user gave the control's field.
        QByteArray field = binder->fieldName();
        if (field.startsWith('_')) field = field.mid(1);
        const Value value = dm->PASPORTS.fieldByName(field).value();
        if (how == Acted::Yes) EditPassportField(*direct, field, value, binder->actionName);

        ASSERT_EQ(differences(dm->PASPORTS, recordOf(direct->PASPORTS)), "") << "action " << i << " on " << name;
        const size_t after = dm->journal().doneSteps();
        ASSERT_LE(after, before + 1) << name;
        ASSERT_EQ(after, direct->journal().doneSteps()) << name;
        if (after > before) {
            EXPECT_EQ(dm->journal().undoName(), binder->actionName) << name;
            EXPECT_EQ(direct->journal().undoName(), binder->actionName) << name;
        }
        states[after] = recordOf(dm->PASPORTS);
    }
    ASSERT_GT(acted, 100);
    ASSERT_GT(dm->journal().doneSteps(), 60u);

    // Back through every step, then forward again: both paths pass the states the actions left.
    const size_t steps = dm->journal().doneSteps();
    while (dm->journal().canUndo()) {
        ASSERT_TRUE(dm->UndoAction().table);
        ASSERT_TRUE(direct->UndoAction().table);
        const Record& expected = states.at(dm->journal().doneSteps());
        ASSERT_EQ(differences(dm->PASPORTS, expected), "");
        ASSERT_EQ(differences(direct->PASPORTS, expected), "");
    }
    while (dm->journal().canRedo()) {
        ASSERT_TRUE(dm->RedoAction().table);
        ASSERT_TRUE(direct->RedoAction().table);
        const Record& expected = states.at(dm->journal().doneSteps());
        ASSERT_EQ(differences(dm->PASPORTS, expected), "");
        ASSERT_EQ(differences(direct->PASPORTS, expected), "");
    }
    EXPECT_EQ(dm->journal().doneSteps(), steps);
    EXPECT_FALSE(window->methodRuleGuard());
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

} // namespace
