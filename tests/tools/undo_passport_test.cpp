// Undo and redo over the example passport: a random sequence of user actions (form values with
// their cascades, grid cells, horizons in and out, contour imports and clears), undone and redone
// step by step. Every state must come back exactly (the command line's dump is the oracle), and
// a save after undo or redo must write the bytes a direct save of that state writes.
#include "tool_run.h"
#include "model/contour_editing.h"
#include "model/data_module.h"
#include "tools/passport_json.h"
#include "support/random_edits.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <random>

using namespace talvena;
using talvena::random_edits::Random;
using talvena::random_edits::someDataField;
using talvena::random_edits::typeInto;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool editing(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

void act(TDataModule2& m, Random& r)
{
    RecordTable& horizons = r(2) ? m.POSIB_PRODUCT_HOR : m.REFLECT_HORIZONTS;
    switch (r(9)) {
    case 0: case 1: case 2: // a form value and whatever its rules do, then the record posted
        if (!editing(m.PASPORTS)) m.PASPORTS.edit();
        typeInto(someDataField(m.PASPORTS, r), r);
        m.CommitPendingEdits();
        break;
    case 3: // a grid cell
        if (horizons.isEmpty()) break;
        horizons.moveTo(r(horizons.recordCount()));
        horizons.edit();
        typeInto(someDataField(horizons, r), r);
        horizons.post();
        break;
    case 4: // a new horizon
        horizons.append();
        typeInto(someDataField(horizons, r), r);
        horizons.post();
        break;
    case 5: // a horizon deleted
        if (horizons.isEmpty()) break;
        horizons.moveTo(r(horizons.recordCount()));
        horizons.deleteRecord();
        break;
    case 6: case 7: { // a contour imported into the current productive horizon
        if (m.POSIB_PRODUCT_HOR.isEmpty()) break;
        m.POSIB_PRODUCT_HOR.moveTo(r(m.POSIB_PRODUCT_HOR.recordCount()));
        QByteArray text;
        for (int i = 0, n = 1 + r(30); i < n; ++i)
            text += QByteArray::number(r(1000)) + "," + QByteArray::number(r(10)) + " " + QByteArray::number(r(1000)) + "\n";
        ImportContour(m, text, ContourImportSettings{});
        break;
    }
    case 8: // a contour cleared
        if (m.POSIB_PRODUCT_HOR.isEmpty()) break;
        m.POSIB_PRODUCT_HOR.moveTo(r(m.POSIB_PRODUCT_HOR.recordCount()));
        ClearContour(m);
        break;
    }
}

TEST(UndoPassport, RandomActionsUndoToTheOpenedPassportAndRedoToTheLastStateWithTheSameBytes)
{
    ensureApplication();
    QTemporaryDir tmp;
    TDataModule2 m;
    m.DataModuleCreate(besideTests(""));
    m.LoadPassport(kExample);
    EXPECT_FALSE(m.journal().canUndo());
    auto dump = [&] { return PassportJson(m, "x"); };
    auto save = [&](const QString& name) {
        m.SavePassport(tmp.filePath(name));
        return readFile(tmp.filePath(name));
    };

    Random r{std::mt19937(28)};
    std::map<size_t, QByteArray> states{{0, dump()}};
    int refused = 0;
    for (int i = 0; i < 1000; ++i) {
        if (m.journal().canUndo() && r(12) == 0) {
            for (int k = 1 + r(3); k > 0 && m.UndoAction().table; --k)
                ASSERT_EQ(dump(), states[m.journal().doneSteps()]) << "action " << i;
            if (r(2) && m.RedoAction().table) ASSERT_EQ(dump(), states[m.journal().doneSteps()]) << "action " << i;
            continue;
        }
        try {
            act(m, r);
        } catch (const std::exception&) {
            // A value the rules refuse: the user corrects or cancels it.
            ++refused;
            for (RecordTable* t : m.passportTables())
                if (editing(*t)) t->cancel();
        }
        states[m.journal().doneSteps()] = dump();
    }
    ASSERT_GT(m.journal().doneSteps(), 200u);
    EXPECT_LT(refused, 500);
    EXPECT_TRUE(m.state().modified());
    const QByteArray finalDump = dump();
    const QByteArray finalBytes = save("final.psp");

    while (m.UndoAction().table) ASSERT_EQ(dump(), states[m.journal().doneSteps()]);
    EXPECT_EQ(dump(), states[0]);
    EXPECT_TRUE(m.state().modified()); // the last save was of the final state
    const QByteArray startBytes = save("start.psp");
    {
        TDataModule2 direct;
        direct.DataModuleCreate(besideTests(""));
        direct.LoadPassport(kExample);
        EXPECT_EQ(PassportJson(direct, "x"), states[0]);
        EXPECT_TRUE(direct.journal().stepCount() == 0);
    }

    while (m.RedoAction().table) ASSERT_EQ(dump(), states[m.journal().doneSteps()]);
    EXPECT_EQ(dump(), finalDump);
    EXPECT_TRUE(m.state().modified()); // the last save was of the start
    EXPECT_EQ(save("again.psp"), finalBytes);

    // The state opened from the start file is the state undo reached, byte for byte on saving.
    TDataModule2 reopened;
    reopened.DataModuleCreate(besideTests(""));
    reopened.LoadPassport(tmp.filePath("start.psp"));
    EXPECT_EQ(PassportJson(reopened, "x"), states[0]);
    while (m.UndoAction().table) {
    }
    EXPECT_TRUE(m.state().modified()); // the last save was of the final state
    EXPECT_EQ(save("start2.psp"), startBytes);
    while (m.RedoAction().table) {
    }
    EXPECT_TRUE(m.state().modified());
    m.UndoAction();
    m.UndoAction();
    EXPECT_TRUE(m.state().modified());
    while (m.UndoAction().table) {
    }
    EXPECT_FALSE(m.state().modified()); // back at the start, as last saved
}

} // namespace
