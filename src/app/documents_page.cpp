#include "app/documents_page.h"
#include "app/horizon_checks.h"

#include "app/main_window.h"
#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "dialogs/background_work.h"
#include "gui/desktop_shell.h"
#include "gui/error_handler.h"
#include "gui/record_grid_view.h"
#include "gui/record_table_model.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "model/grid_decl.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace talvena {

namespace {

constexpr int kButtonMinimumWidth = 48;

const char* const kLoadTitle = "Выберите файл для импорта";
const char* const kExportTitle = "Выберите файл для экспорта";
// "*" rather than "*.*": files without an extension are files too.
const char* const kAllFiles = "Все файлы (*)";
const char* const kCommentCaption = "Редактирование комментария";
const char* const kCommentPrompt = "Комментарий";

// The second line of an error box: what could not be done, with which file.
const char* const kLoadFailed = "Не удалось загрузить файл «%1» в паспорт.";
const char* const kExportFailed = "Не удалось записать вложенный файл в «%1».";
const char* const kDamagedMember =
    "Вложенный файл в паспорте повреждён: в «%1» записана только та его часть, которую удалось прочитать.";
const char* const kShellRefused = "Не удалось открыть файл «%1»: для него не найдена программа.";

struct SlotListDecl {
    SlotList list;
    const char* groupName;
    const char* groupCaption;
    const char* buttons[4]; // load, clear, edit comment, export
};

const SlotListDecl kLists[] = {
    {SlotList::Documents, "DocumentsGroup", " Документы ", {"BitBtn2", "BitBtn3", "BitBtn4", "BitBtn13"}},
    {SlotList::Graphics, "GraphicsGroup", "Графика ", {"BitBtn5", "BitBtn6", "BitBtn7", "BitBtn14"}},
    {SlotList::Additional, "AdditionalGraphicsGroup", " Дополнительная графика ", {"BitBtn1", "BitBtn8", "BitBtn9", "BitBtn15"}},
};

struct ActionDecl {
    const char* caption;
    const char* hint;
    QStyle::StandardPixmap glyph;
    void (DocumentsPage::*run)(SlotList);
};

// The caption "Редактировать комметарий" is shown as it has always been written.
const ActionDecl kActions[] = {
    {"Загрузить файл", "Импорт в таблицу из внешнего файла", QStyle::SP_DialogOpenButton, &DocumentsPage::load},
    {"Очистить строку", "Очистить строку", QStyle::SP_DialogDiscardButton, &DocumentsPage::clear},
    {"Редактировать комметарий", "Редактирование комментария файла", QStyle::SP_FileDialogDetailedView,
     &DocumentsPage::editComment},
    {"Экспорт файла", "Запись ранее загруженного файла во внешний файл", QStyle::SP_DialogSaveButton,
     &DocumentsPage::exportFile},
};

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

QString failureText(const std::exception& e, const char* secondLine, const QString& path)
{
    QString message = QString::fromUtf8(e.what()) + QLatin1Char('\n') + text(secondLine).arg(QDir::toNativeSeparators(path));
    // "Stream write error" alone does not say why.
    if (const auto* write = dynamic_cast<const FileWriteError*>(&e); write && !write->reason().isEmpty())
        message += QLatin1Char(' ') + write->reason();
    return message;
}

} // namespace

DocumentsPage::DocumentsPage(TMainForm& window)
    : QObject(&window), window_(window), dm_(window.dataModule()), ui_(window.interaction()), lists_(dm_)
{
    buildPage();
    window_.setOuterPageShowHandler(kOuterPage, [this] { TabSheet2Show(); });
}

DocumentsPage::~DocumentsPage() = default;

void DocumentsPage::buildPage()
{
    QWidget* page = window_.outerPage(kOuterPage);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Vertical, page);
    splitter_->setObjectName(QStringLiteral("DocumentsSplitter"));
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);

    for (const SlotListDecl& d : kLists) {
        auto* group = new QGroupBox(text(d.groupCaption), splitter_);
        group->setObjectName(QString::fromLatin1(d.groupName));
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->setContentsMargins(4, 4, 4, 4);
        groupLayout->setSpacing(4);

        const SlotList which = d.list;
        auto* grid = new RecordGridView(SlotGrids()[index(which)], lists_.list(which), group);
        grid->horizontalHeader()->setStretchLastSection(true);
        grid->setAcceptDrops(true);
        grid->viewport()->installEventFilter(this);
        connect(grid, &QAbstractItemView::doubleClicked, this, [this, which] { RunGuarded([&] { doubleClick(which); }); });
        grids_[index(which)] = grid;
        groupLayout->addWidget(grid, 1);

        auto* buttons = new QHBoxLayout;
        for (size_t i = 0; i < std::size(kActions); ++i) {
            const ActionDecl& a = kActions[i];
            auto* b = new QPushButton(page->style()->standardIcon(a.glyph), text(a.caption), group);
            b->setObjectName(QString::fromLatin1(d.buttons[i]));
            b->setToolTip(text(a.hint));
            b->setMinimumWidth(kButtonMinimumWidth); // a narrow window squeezes the captions, not the page
            const auto run = a.run;
            connect(b, &QPushButton::clicked, this, [this, run, which] { RunGuarded([&] { (this->*run)(which); }); });
            buttons->addWidget(b);
        }
        buttons->addStretch(1);
        groupLayout->addLayout(buttons);
        splitter_->addWidget(group);
    }
    // The documents and the additional graphics keep their height; the graphics take the rest.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 0);
    splitter_->setSizes({kGroupHeight, 10 * kGroupHeight, kGroupHeight});
}

// --- rebuilding and entering ----------------------------------------------------------------------

void DocumentsPage::BuildFileLists() { lists_.BuildFileLists(); }

void DocumentsPage::warnAndReturn(const char* message, int innerPage)
{
    ui_.showWarning(text(message));
    QCoreApplication::processEvents();
    // The inner page first: made current while the other outer page shows, it is entered once,
    // when the outer page "Таблицы" comes back.
    window_.postSelectInnerPage(innerPage);
    window_.postSelectOuterPage(0);
}

void DocumentsPage::TabSheet2Show()
{
    dm_.CommitPendingEdits();
    dm_.POSIB_PRODUCT_HOR.setFiltered(false);
    if (ReflectingHorizonsRequired(dm_)) return warnAndReturn(kNoReflectingHorizons, kReflectingHorizonsPage);
    if (dm_.POSIB_PRODUCT_HOR.recordCount() == 0)
        return warnAndReturn(kNoProductiveHorizons, kProductiveHorizonsPage);
    BuildFileLists();
}

// --- the buttons ---------------------------------------------------------------------------------

void DocumentsPage::load(SlotList which)
{
    if (loading_) return;
    const QString path = ui_.openFileName(text(kLoadTitle), text(kAllFiles), loadFolder_);
    if (!path.isEmpty()) loadFile(which, path);
}

void DocumentsPage::loadFile(SlotList which, const QString& path)
{
    RecordTable& list = lists_.list(which);
    if (loading_ || path.isEmpty() || list.isEmpty()) return;
    loadFolder_ = QFileInfo(path).absolutePath();
    const int64_t slotRow = list.storedRowAt(list.currentViewPosition());
    QByteArray compressed;
    try {
        RunWhileBusy(loading_, [&] { compressed = CompressAttachmentFile(path); }, QStringLiteral("Загрузка файла ..."),
                     &window_);
    } catch (const std::exception& e) {
        // Nothing has changed yet: the slot keeps its attachment.
        ui_.showError(failureText(e, kLoadFailed, path));
        return;
    }
    if (slotRow >= 0) list.moveToStoredRow(uint32_t(slotRow));
    lists_.storeInSelected(which, path, compressed);
}

void DocumentsPage::clear(SlotList which)
{
    if (!loading_) lists_.clearSelected(which);
}

void DocumentsPage::editComment(SlotList which)
{
    if (loading_ || !lists_.selectedFilled(which)) return;
    const std::optional<QString> typed = ui_.inputText(text(kCommentCaption), text(kCommentPrompt),
                                                       cp1251ToUnicode(lists_.selectedDescription(which)));
    if (typed) lists_.setSelectedComment(which, unicodeToCp1251(*typed));
}

void DocumentsPage::exportFile(SlotList which)
{
    if (loading_ || !lists_.selectForExport(which)) return;
    const QString name = PlainFileName(lists_.exportName(which));
    const QString preset = exportFolder_.isEmpty() ? name : QDir(exportFolder_).filePath(name);
    const QString target = ui_.saveFileName(text(kExportTitle), text(kAllFiles), preset, QString());
    if (target.isEmpty() || !lists_.selectForExport(which)) return;
    exportFolder_ = QFileInfo(target).absolutePath();
    const QByteArray member = dm_.FILES.fieldByName("CONTENT").asBytes();
    WriteOutResult written = WriteOutResult::Written;
    try {
        RunWhileBusy(loading_, [&] { written = WriteMemberOut(member, target); }, QStringLiteral("Сохранение ..."),
                     &window_);
    } catch (const std::exception& e) {
        ui_.showError(failureText(e, kExportFailed, target));
        return;
    }
    const QString shown = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    if (written == WriteOutResult::Damaged) ui_.showWarning(text(kDamagedMember).arg(shown));
    if (!ui_.askYesNo(BoxCaption::Confirmation, QStringLiteral("Запустить \"%1\"?").arg(shown))) return;
    if (!openInShell(QUrl::fromLocalFile(target))) ui_.showError(text(kShellRefused).arg(shown));
}

void DocumentsPage::doubleClick(SlotList which)
{
    if (lists_.selectedFilled(which))
        editComment(which);
    else
        load(which);
}

// --- files dropped from the file manager -----------------------------------------------------------

bool DocumentsPage::acceptsDrop(const QEvent* event, QString* path) const
{
    const QMimeData* mime = static_cast<const QDropEvent*>(event)->mimeData();
    if (loading_ || !mime || !mime->hasUrls() || mime->urls().size() != 1) return false;
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) return false;
    if (path) *path = url.toLocalFile();
    return true;
}

bool DocumentsPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    RecordGridView* grid = nullptr;
    SlotList which = SlotList::Documents;
    for (const SlotListDecl& d : kLists)
        if (grids_[index(d.list)] && grids_[index(d.list)]->viewport() == watched) {
            grid = grids_[index(d.list)];
            which = d.list;
        }
    if (!grid) return QObject::eventFilter(watched, event);

    auto* drop = static_cast<QDropEvent*>(event);
    QString path;
    if (!acceptsDrop(event, &path)) {
        drop->ignore();
        return true;
    }
    if (type == QEvent::DragEnter) {
        drop->acceptProposedAction();
        return true;
    }
    // The slot under the pointer; below the rows of the additional list, its last (empty) slot.
    int row = grid->rowAt(drop->position().toPoint().y());
    if (row < 0 && which == SlotList::Additional) row = grid->model()->rowCount() - 1;
    if (row < 0) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    RunGuarded([&] { grid->recordModel()->makeRowCurrent(row); });
    // Loaded once the drop has ended, so the file manager is not kept waiting.
    if (type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, which, path] { RunGuarded([&] { loadFile(which, path); }); });
    return true;
}

} // namespace talvena
