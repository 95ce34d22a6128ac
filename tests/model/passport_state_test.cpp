#include "model_fixture.h"

namespace talvena::test {
namespace {

class CommitTest : public ModuleTest {
protected:
    // Records the tables whose AfterPost ran, in order, keeping the module's own handlers.
    void recordPosts()
    {
        for (RecordTable* t : {&module.PASPORTS, &module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR, &module.KONTUR,
                               &module.FILES}) {
            auto own = t->afterPost;
            t->afterPost = [this, own](RecordTable& table) {
                posted.push_back(table.name());
                if (own) own(table);
            };
        }
    }
    std::vector<QByteArray> posted;
};

TEST_F(CommitTest, FirstCommitPostsTheEmptyPassportWhichIsNoChange)
{
    EXPECT_FALSE(module.state().modified());
    module.CommitPendingEdits();
    EXPECT_FALSE(module.state().modified()); // nothing was entered into it
    EXPECT_EQ(module.PASPORTS.state(), TableState::Browse);
    EXPECT_EQ(module.PASPORTS.recordCount(), 1);
    EXPECT_EQ(pasport("ID").asInteger(), -1);

    // Everything in browse: nothing is posted and the flag stays as it was.
    recordPosts();
    module.state().setModified(false);
    module.CommitPendingEdits();
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(module.state().modified());
}

TEST_F(CommitTest, APostThatChangesNothingLeavesTheModifiedFlagAlone)
{
    addProductHorizon();
    module.REFLECT_HORIZONTS.append();
    module.REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("R");
    module.CommitPendingEdits();
    module.state().setModified(false);

    // As after an open: the tables are put into edit state and posted untouched.
    for (RecordTable* t : {&module.PASPORTS, &module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR}) {
        t->edit();
        if (t == &module.PASPORTS) pasport("REPORTYEAR").setValue(pasport("REPORTYEAR").value()); // NULL again
        module.CommitPendingEdits();
        EXPECT_FALSE(module.state().modified()) << t->name().constData();
    }

    for (RecordTable* t : {&module.PASPORTS, &module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR}) {
        module.state().setModified(false);
        t->edit();
        Field& f = t == &module.PASPORTS                ? pasport("OBJECTNAME")
                   : t == &module.REFLECT_HORIZONTS ? t->fieldByName("INDEXOG")
                                                    : t->fieldByName("STRATIGRSVIT");
        f.setString(f.asString() + "x");
        module.CommitPendingEdits();
        EXPECT_TRUE(module.state().modified()) << t->name().constData();
    }
}

TEST_F(CommitTest, PendingTablesArePostedInPassportOrderChangedOrNot)
{
    addProductHorizon();
    module.CommitPendingEdits();
    recordPosts();
    module.FILES.append();
    module.KONTUR.append();
    module.POSIB_PRODUCT_HOR.edit();
    module.REFLECT_HORIZONTS.append();
    module.PASPORTS.edit();
    module.CommitPendingEdits();
    // The new point is counted through a post of its horizon, after KONTUR's own post.
    EXPECT_EQ(posted, (std::vector<QByteArray>{"PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR",
                                               "POSIB_PRODUCT_HOR", "FILES"}));
    EXPECT_EQ(module.FILES.state(), TableState::Browse);
    EXPECT_EQ(module.FILES.recordCount(), 1);
}

TEST_F(CommitTest, AFailingPostStopsTheLaterTablesAndStaysPending)
{
    pasport("OBJECTNAME").setString("Object");
    pasport("ID").clear();
    module.REFLECT_HORIZONTS.append();
    EXPECT_EQ(errorOf([&] { module.CommitPendingEdits(); }), "Field 'ID' must have a value");
    EXPECT_EQ(module.PASPORTS.state(), TableState::Insert);
    EXPECT_EQ(pasport("OBJECTNAME").asString(), "Object");
    EXPECT_EQ(module.REFLECT_HORIZONTS.state(), TableState::Insert);
    EXPECT_FALSE(module.state().modified());

    pasport("ID").setInteger(-1);
    module.KONTUR.append();
    module.KONTUR.fieldByName("ID").clear();
    module.FILES.append();
    EXPECT_EQ(errorOf([&] { module.CommitPendingEdits(); }), "Field 'ID' must have a value");
    EXPECT_EQ(module.PASPORTS.state(), TableState::Browse);
    EXPECT_EQ(module.REFLECT_HORIZONTS.state(), TableState::Browse);
    EXPECT_EQ(module.KONTUR.state(), TableState::Insert);
    EXPECT_EQ(module.FILES.state(), TableState::Insert);
}

TEST_F(ModuleTest, PostingAttachmentsLeavesTheModifiedFlagAlone)
{
    module.PASPORTS.post();
    module.state().setModified(false);
    module.FILES.append();
    module.FILES.fieldByName("NAME").setString("a.doc");
    module.CommitPendingEdits();
    EXPECT_EQ(module.FILES.recordCount(), 1);
    EXPECT_FALSE(module.state().modified());
}

} // namespace
} // namespace talvena::test
