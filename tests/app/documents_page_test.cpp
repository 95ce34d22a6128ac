// The documents page in the real window, driven by object names: its layout, the entry checks,
// loading, commenting, exporting and opening through the buttons, double clicks and dropped files,
// and the slot lists after a passport is opened.
#include "app/documents_page.h"
#include "app/passport_lifecycle.h"
#include "gui/desktop_shell.h"
#include "gui/help_file.h"
#include "gui/record_grid_view.h"
#include "storage/gzip.h"
#include "support/file_bytes.h"
#include "window_fixture.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QUrl>

using namespace talvena;
using namespace talvena::testing;

namespace {

class DocumentsPageTest : public WindowTest {
protected:
    QTemporaryDir dir;
    QList<QUrl> opened;

    void SetUp() override
    {
        WindowTest::SetUp();
        installShellOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
    }
    void TearDown() override
    {
        installShellOpener({});
        WindowTest::TearDown();
    }

    void method(int id)
    {
        if (dm->PASPORTS.state() == TableState::Browse) dm->PASPORTS.edit();
        field("PREPARATIONMETHOD_ID").setInteger(id);
        dm->PASPORTS.post();
    }
    void addHorizons()
    {
        dm->REFLECT_HORIZONTS.append();
        dm->REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("A");
        dm->REFLECT_HORIZONTS.post();
        dm->POSIB_PRODUCT_HOR.append();
        dm->POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString("P");
        dm->POSIB_PRODUCT_HOR.post();
    }
    // Shows the page as the user does, then lets the queued returns run.
    void showPage()
    {
        window->PageControl1()->setCurrentIndex(DocumentsPage::kOuterPage);
        settle();
    }
    QString file(const QString& name, const QByteArray& bytes = "content")
    {
        const QString path = dir.filePath(name);
        testsupport::writeFileBytes(path, bytes);
        return path;
    }
    RecordGridView* grid(const char* name) { return find<RecordGridView>(name); }
    QString cell(const char* gridName, int row, int column)
    {
        RecordGridView* g = grid(gridName);
        return g->model()->index(row, column).data(Qt::DisplayRole).toString();
    }
    int rowOf(const char* gridName, const QString& title)
    {
        RecordGridView* g = grid(gridName);
        for (int r = 0; r < g->model()->rowCount(); ++r)
            if (cell(gridName, r, 0) == title) return r;
        ADD_FAILURE() << title.toStdString();
        return -1;
    }
    void selectRow(const char* gridName, int row)
    {
        RecordGridView* g = grid(gridName);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row, 0)).center());
        settle();
    }
    void doubleClickRow(const char* gridName, int row)
    {
        RecordGridView* g = grid(gridName);
        const QPoint at = g->visualRect(g->model()->index(row, 1)).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
        settle();
    }
    void click(const char* button)
    {
        find<QPushButton>(button)->click();
        settle();
    }
    // A file dragged from the file manager and dropped at a row of a grid.
    bool drop(const char* gridName, int row, const QList<QUrl>& urls)
    {
        RecordGridView* g = grid(gridName);
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at = g->visualRect(g->model()->index(row, 0)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &enter);
        if (!enter.isAccepted()) return false;
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &move);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &dropped);
        settle();
        return dropped.isAccepted();
    }
};

} // namespace

TEST_F(DocumentsPageTest, ThreeGroupsOfAGridAndFourButtonsStackedWithMovableSplitters)
{
    addHorizons();
    showPage();
    auto* splitter = find<QSplitter>("DocumentsSplitter");
    ASSERT_EQ(splitter->count(), 3);
    EXPECT_FALSE(splitter->childrenCollapsible());
    const char* groups[] = {"DocumentsGroup", "GraphicsGroup", "AdditionalGraphicsGroup"};
    const char* captions[] = {" Документы ", "Графика ", " Дополнительная графика "};
    const char* grids[] = {"JvDBGrid12", "JvDBGrid13", "JvDBGrid11"};
    const char* buttons[3][4] = {{"BitBtn2", "BitBtn3", "BitBtn4", "BitBtn13"},
                                 {"BitBtn5", "BitBtn6", "BitBtn7", "BitBtn14"},
                                 {"BitBtn1", "BitBtn8", "BitBtn9", "BitBtn15"}};
    const char* buttonCaptions[] = {"Загрузить файл", "Очистить строку", "Редактировать комметарий", "Экспорт файла"};
    const char* hints[] = {"Импорт в таблицу из внешнего файла", "Очистить строку", "Редактирование комментария файла",
                           "Запись ранее загруженного файла во внешний файл"};
    for (int g = 0; g < 3; ++g) {
        auto* group = find<QGroupBox>(groups[g]);
        EXPECT_EQ(splitter->widget(g), group);
        EXPECT_EQ(group->title(), u(captions[g]));
        RecordGridView* view = grid(grids[g]);
        EXPECT_TRUE(group->isAncestorOf(view));
        EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QStringList titles = {u("Вид документа"), u("Имя загруженного файла"), u("Комментарий")};
        ASSERT_EQ(view->model()->columnCount(), 3);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        int left = -1;
        for (int b = 0; b < 4; ++b) {
            auto* button = find<QPushButton>(buttons[g][b]);
            EXPECT_TRUE(group->isAncestorOf(button));
            EXPECT_EQ(button->text(), u(buttonCaptions[b]));
            EXPECT_EQ(button->toolTip(), u(hints[b]));
            EXPECT_GT(button->x(), left); // left to right in this order
            left = button->x();
        }
    }
    // The documents and the additional graphics keep their height; the graphics take the rest.
    EXPECT_EQ(splitter->sizes()[0], DocumentsPage::kGroupHeight);
    EXPECT_EQ(splitter->sizes()[2], DocumentsPage::kGroupHeight);
    EXPECT_GT(splitter->sizes()[1], DocumentsPage::kGroupHeight);

    // Typing, inserting and deleting do nothing in a slot list.
    RecordGridView* documents = grid("JvDBGrid12");
    documents->setFocus();
    QTest::keyClick(documents, Qt::Key_Insert);
    QTest::keyClick(documents, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClicks(documents, "abc");
    settle();
    EXPECT_EQ(documents->model()->rowCount(), 3);
    EXPECT_EQ(window->documentsPage().slotLists().Files1.state(), TableState::Browse);
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DocumentsPageTest, EnteringWithoutTheHorizonsItNeedsWarnsAndReturnsToTheirPage)
{
    // An attachment the lists do not show until they are rebuilt.
    dm->FILES.append();
    dm->FILES.fieldByName("NAME").setString(unicodeToCp1251(u("Рекомендации.doc")));
    dm->FILES.post();
    // Without a method, or with seismics, reflecting horizons are needed first.
    for (int m : {0, 89}) {
        ui.clear();
        method(m);
        showPage();
        EXPECT_EQ(ui.boxTexts(), QStringList{u("Отсутствуют отражающие горизонты")}) << m;
        EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
        EXPECT_EQ(window->PageControl1()->currentIndex(), 0);
        EXPECT_EQ(window->PageControl2()->currentIndex(), 4);
    }
    // With another method the productive horizons are checked next.
    ui.clear();
    method(90);
    window->PageControl2()->setCurrentIndex(0);
    settle();
    showPage();
    EXPECT_EQ(ui.boxTexts(), QStringList{u("Отсутствуют возможные продуктивные горизонты")});
    EXPECT_EQ(window->PageControl1()->currentIndex(), 0);
    EXPECT_EQ(window->PageControl2()->currentIndex(), 6);
    // A warned entry leaves the lists as they were; a passing one rebuilds them.
    EXPECT_EQ(cell("JvDBGrid12", 2, 1), QString());
    dm->POSIB_PRODUCT_HOR.append();
    dm->POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString("P");
    ui.clear();
    showPage();
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(dm->POSIB_PRODUCT_HOR.state(), TableState::Browse); // pending edits were committed
    EXPECT_EQ(window->PageControl1()->currentIndex(), 1);
    EXPECT_EQ(cell("JvDBGrid13", 5, 0), u("Структурная карта по ПГ:  P"));
    EXPECT_EQ(cell("JvDBGrid12", 2, 1), u("Рекомендации.doc"));
}

TEST_F(DocumentsPageTest, LoadCommentExportAndOpenThroughTheButtons)
{
    addHorizons();
    showPage();
    // Load into the title page slot.
    ui.fileNames = {file("plan.PDF", "the plan")};
    click("BitBtn2");
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Выберите файл для импорта")});
    EXPECT_EQ(ui.dialogFilters, QStringList{u("Все файлы (*)")});
    EXPECT_EQ(cell("JvDBGrid12", 0, 1), u("plan.PDF"));
    EXPECT_TRUE(dm->state().modified());

    // A cancelled comment changes nothing; a typed one shows in the grid.
    ui.clear();
    click("BitBtn4");
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Редактирование комментария")});
    EXPECT_EQ(ui.inputPrompts, QStringList{u("Комментарий")});
    EXPECT_EQ(cell("JvDBGrid12", 0, 2), QString());
    ui.inputs = {u("утверждён")};
    click("BitBtn4");
    EXPECT_EQ(cell("JvDBGrid12", 0, 2), u("утверждён"));

    // Export proposes the source name, writes the file and offers to open it.
    ui.clear();
    const QString target = dir.filePath("out/copy.pdf");
    QDir(dir.path()).mkdir("out");
    ui.fileNames = {target};
    ui.answers = {BoxAnswer::Yes};
    click("BitBtn13");
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Выберите файл для экспорта")});
    EXPECT_EQ(ui.dialogFolders, QStringList{u("plan.PDF")});
    EXPECT_EQ(testsupport::fileBytes(target), "the plan");
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Confirmation);
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Question);
    EXPECT_EQ(ui.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(ui.boxes[0].text, u("Запустить \"%1\"?").arg(target));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(target)});

    // The next export opens where the last one went; No leaves the file unopened.
    ui.clear();
    ui.fileNames = {dir.filePath("out/second.pdf")};
    click("BitBtn13");
    EXPECT_EQ(ui.dialogFolders, QStringList{dir.filePath("out/plan.PDF")});
    EXPECT_EQ(opened.size(), 1);

    // Clear empties the slot; export and comment then do nothing.
    ui.clear();
    click("BitBtn3");
    EXPECT_EQ(cell("JvDBGrid12", 0, 1), QString());
    EXPECT_EQ(dm->FILES.recordCount(), 0);
    click("BitBtn13");
    click("BitBtn4");
    EXPECT_TRUE(ui.dialogTitles.isEmpty());
}

TEST_F(DocumentsPageTest, ADoubleClickLoadsAnEmptySlotAndCommentsAFilledOne)
{
    addHorizons();
    showPage();
    const int geo = rowOf("JvDBGrid13", u("Геолого-геофизический разрез по профилю №1"));
    ui.fileNames = {file("line 12.png")};
    doubleClickRow("JvDBGrid13", geo);
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Выберите файл для импорта")});
    // The graphics load rebuilt the list: the next section follows, above the time sections.
    EXPECT_EQ(cell("JvDBGrid13", geo, 1), u("line 12.png"));
    EXPECT_EQ(cell("JvDBGrid13", geo + 1, 0), u("Геолого-геофизический разрез по профилю №2"));
    EXPECT_EQ(cell("JvDBGrid13", geo + 2, 0), u("Временной сейсмический разрез по профилю №1"));
    EXPECT_EQ(dm->FILES.fieldByName("NAME").asString(), "Geo1.png");

    ui.clear();
    ui.inputs = {u("профиль 12")};
    doubleClickRow("JvDBGrid13", geo);
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Редактирование комментария")});
    EXPECT_EQ(cell("JvDBGrid13", geo, 2), u("профиль 12"));
}

TEST_F(DocumentsPageTest, AFileThatCannotBeReadLeavesTheSlotAndReportsTheFile)
{
    addHorizons();
    showPage();
    ui.fileNames = {file("title.pdf", "old")};
    click("BitBtn2");
    dm->state().setModified(false);
    ui.clear();
    const QString missing = dir.filePath("gone.pdf");
    ui.fileNames = {missing};
    click("BitBtn2");
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_TRUE(ui.boxes[0].text.startsWith(u("Cannot open file \"%1\". ").arg(missing))) << ui.boxes[0].text.toStdString();
    EXPECT_TRUE(ui.boxes[0].text.endsWith(u("\nНе удалось загрузить файл «%1» в паспорт.").arg(missing)));
    EXPECT_EQ(cell("JvDBGrid12", 0, 1), u("title.pdf"));
    EXPECT_EQ(dm->FILES.recordCount(), 1);
    EXPECT_FALSE(dm->state().modified());
}

TEST_F(DocumentsPageTest, AFileDroppedOnASlotLoadsIntoIt)
{
    addHorizons();
    showPage();
    const QUrl note = QUrl::fromLocalFile(file("note.odt"));
    EXPECT_FALSE(drop("JvDBGrid12", 1, {note, note})); // one file at a time
    EXPECT_FALSE(drop("JvDBGrid12", 1, {QUrl::fromLocalFile(dir.path())})); // a folder is no file
    EXPECT_FALSE(drop("JvDBGrid12", 1, {QUrl("https://example.org/a.pdf")}));
    EXPECT_TRUE(drop("JvDBGrid12", 1, {note}));
    EXPECT_EQ(cell("JvDBGrid12", 1, 1), u("note.odt"));
    EXPECT_EQ(dm->FILES.fieldByName("NAME").asString(), unicodeToCp1251(u("Пояснительная записка.odt")));
    // Dropped onto a filled slot it replaces the attachment, without a question.
    EXPECT_TRUE(drop("JvDBGrid12", 1, {QUrl::fromLocalFile(file("note2.odt"))}));
    EXPECT_EQ(cell("JvDBGrid12", 1, 1), u("note2.odt"));
    EXPECT_EQ(dm->FILES.recordCount(), 1);
    EXPECT_TRUE(ui.boxes.isEmpty());
    // The additional list grows by the file and a new empty slot.
    EXPECT_TRUE(drop("JvDBGrid11", 0, {QUrl::fromLocalFile(file("scan.tif"))}));
    EXPECT_EQ(grid("JvDBGrid11")->model()->rowCount(), 2);
    EXPECT_EQ(cell("JvDBGrid11", 0, 1), u("scan.tif"));
}

TEST_F(DocumentsPageTest, OpeningAPassportShowsItsAttachmentsInTheirSlots)
{
    // A passport saved by another data module, with attachments of every list.
    const QString path = dir.filePath("p.psp");
    {
        TDataModule2 other;
        other.DataModuleCreate(QCoreApplication::applicationDirPath());
        for (const char* name : {"Титульный лист.pdf", "Geo1.png", "Geo2.png", "map.png"}) {
            other.FILES.append();
            other.FILES.fieldByName("NAME").setString(unicodeToCp1251(u(name)));
            other.FILES.fieldByName("CONTENT").setBytes(CompressToGzip(QByteArray(name)));
            other.FILES.post();
        }
        other.SavePassport(path);
    }
    PassportLifecycle life(*window, *dm, ui);
    window->setCommands(&life);
    life.openPassport(path);
    settle();
    window->setCommands(nullptr);
    EXPECT_EQ(cell("JvDBGrid12", 0, 1), u("Титульный лист.pdf"));
    const int geo = rowOf("JvDBGrid13", u("Геолого-геофизический разрез по профилю №1"));
    EXPECT_EQ(cell("JvDBGrid13", geo, 1), u("Geo1.png"));
    EXPECT_EQ(cell("JvDBGrid13", geo + 1, 1), u("Geo2.png"));
    EXPECT_EQ(cell("JvDBGrid13", geo + 2, 0), u("Геолого-геофизический разрез по профилю №3"));
    EXPECT_EQ(cell("JvDBGrid11", 0, 1), u("map.png"));
    EXPECT_EQ(grid("JvDBGrid11")->model()->rowCount(), 2);
}

TEST(DocumentsPageHelp, TheShippedHelpFileExplainsThePageAndTheWindowLinksToIt)
{
    const HelpFile file = HelpFile::load(helpFilePath());
    ASSERT_NE(file.topic(121), nullptr);
    EXPECT_TRUE(file.topic(121)->html.contains(u("Редактировать комметарий")));
    EXPECT_TRUE(file.topic(100)->html.contains(QStringLiteral("topic:121")));
}

TEST_F(DocumentsPageTest, ADamagedAttachmentOrARefusingDesktopIsReported)
{
    addHorizons();
    const QByteArray member = CompressToGzip(QByteArray(100000, 'z'));
    dm->FILES.append();
    dm->FILES.fieldByName("NAME").setString(unicodeToCp1251(u("Титульный лист.txt")));
    dm->FILES.fieldByName("CONTENT").setBytes(member.left(member.size() / 2)); // cut short
    dm->FILES.post();
    showPage();
    installShellOpener([](const QUrl&) { return false; });
    const QString target = dir.filePath("title.txt");
    ui.fileNames = {target};
    ui.answers = {BoxAnswer::Yes};
    click("BitBtn13");
    ASSERT_EQ(ui.boxes.size(), 3);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
    EXPECT_TRUE(ui.boxes[0].text.contains(u("повреждён"))) << ui.boxes[0].text.toStdString();
    EXPECT_EQ(ui.boxes[1].text, u("Запустить \"%1\"?").arg(target));
    EXPECT_EQ(ui.boxes[2].caption, BoxCaption::Error);
    EXPECT_TRUE(ui.boxes[2].text.contains(target));
    EXPECT_TRUE(QFileInfo::exists(target)); // what could be read is written
}
