// The main window: construction, menu, pages, private messages, help and closing.
#include "app/main_window.h"
#include "app/resource_simulation_page.h"

#include "app/command_line_file.h"
#include "app/contour_page.h"
#include "app/documents_page.h"
#include "app/edit_menu.h"
#include "app/grid_pages.h"
#include "gui/error_handler.h"
#include "gui/field_binders.h"
#include "gui/multi_row_tab_widget.h"
#include "app/passport_check_command.h"
#include "app/passport_commands.h"
#include "app/print_commands.h"
#include "app/recent_files.h"
#include "gui/user_interaction.h"
#include "app/window_messages.h"
#include "dialogs/gis_contour_dialogs.h"
#include "model/data_module.h"
#include "model/grid_decl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <span>

namespace talvena {

namespace {

constexpr const char* kHelpContextProperty = "helpContext";
constexpr int kWhiteStripHeight = 9;
constexpr int kRestoredWidth = 965;
constexpr int kRestoredHeight = 754;
constexpr int kDescriptionTopic = 130;

struct MenuItemDecl {
    const char* objectName; // nullptr: a separator
    const char* text;
    QKeyCombination shortcut;
    int helpContext;
    void (TMainForm::*handler)();
};

struct MenuDecl {
    const char* objectName;
    const char* title;
    int helpContext;
    std::span<const MenuItemDecl> items;
};

// A row with a text and no handler is a submenu that its owner fills.
const MenuItemDecl kFileItems[] = {
    {"NewPassport", "Созд&ать", QKeyCombination(Qt::ControlModifier, Qt::Key_N), 80, &TMainForm::NewPassportClick},
    {"N2", "&Открыть", Qt::Key_F3, 80, &TMainForm::N2Click},
    {"N3", "&Сохранить", Qt::Key_F2, 80, &TMainForm::N3Click},
    {"N4", "Сохранить &как ...", QKeyCombination(Qt::ShiftModifier, Qt::Key_F2), 80, &TMainForm::N4Click},
    {"RecentFiles", "Последние &файлы", {}, 80, nullptr},
    {nullptr, nullptr, {}, 0, nullptr},
    {"CheckPassport", "&Проверка паспорта", {}, 80, &TMainForm::CheckPassportClick},
    {"N12", "Сохранить &распакованный паспорт", {}, 160, &TMainForm::N12Click},
    {"NGisExport", "Экспорт контуров в &ГИС…", {}, 112, &TMainForm::gisExportClick},
    {nullptr, nullptr, {}, 0, nullptr},
    {"PrintAction", "Пе&чать…", QKeyCombination(Qt::ControlModifier, Qt::Key_P), 190, &TMainForm::PrintClick},
    {"SavePdfAction", "Сохранить в &PDF…", {}, 190, &TMainForm::SavePdfClick},
    {nullptr, nullptr, {}, 0, nullptr},
    {"N5", "Вы&ход", Qt::Key_F10, 80, &TMainForm::N5Click},
};

const MenuItemDecl kHelpItems[] = {
    {"N7", "Открыть файл описания", {}, 90, &TMainForm::N7Click},
    {nullptr, nullptr, {}, 0, nullptr},
    {"N9", "О программе ...", {}, 90, &TMainForm::N9Click},
};

const MenuDecl kMenus[] = {
    {"N1", "&Файлы", 80, kFileItems},
    {"N6", "&Помощь", 90, kHelpItems},
};

// The usual desktop keys, beside the function keys of the menu.
const struct {
    const char* action;
    QKeyCombination key;
} kUsualShortcuts[] = {
    {"N2", QKeyCombination(Qt::ControlModifier, Qt::Key_O)},
    {"N3", QKeyCombination(Qt::ControlModifier, Qt::Key_S)},
    {"N4", QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S)},
    {"N5", QKeyCombination(Qt::ControlModifier, Qt::Key_Q)},
};

struct OuterPageDecl {
    const char* objectName;
    const char* caption;
    const char* hint;
};

const OuterPageDecl kOuterPages[] = {
    {"TabSheet1", "Таблицы", ""},
    {"TabSheet2", "Документы/Графика", "Импорт документов и графики в паспорт"},
};

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

void makeWhite(QWidget* w)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    w->setPalette(p);
}

} // namespace

TMainForm::TMainForm(TDataModule2& dataModule, UserInteraction& interaction, QStringList arguments, QWidget* parent)
    : QMainWindow(parent), dataModule_(dataModule), interaction_(interaction)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Создание паспорта"));
    resize(kRestoredWidth, kRestoredHeight);
    makeWhite(this);
    setProperty(kHelpContextProperty, kWindowHelpContext);

    buildMenu();
    new EditMenu(*this);
    buildPages();
    RunGuarded([this] { BuildFileLists(); });

    dataModule_.onUpdateGeoDopEdits = [this] { UpdateGeoDopEdits(); };

    // The file named as the only argument is opened once the window runs.
    if (arguments.size() == 1) {
        commandLineFile_ = commandLineFileName(arguments.constFirst());
        QCoreApplication::postEvent(this, new WindowMessageEvent(kOpenCommandLineFile, 0));
    }
}

TMainForm::~TMainForm()
{
    dataModule_.onUpdateGeoDopEdits = nullptr;
    // Controls go before the tables they observe stop being reachable.
    delete takeCentralWidget();
}

QWidget* TMainForm::controlOfField(const QByteArray& fieldName) const
{
    // A picker box shows the text calculated from its field: "_SHOOTSCALE" for SHOOTSCALE.
    for (auto it = pageWidgets_.binders.cbegin(); it != pageWidgets_.binders.cend(); ++it) {
        QByteArray shown = it.value()->fieldName();
        if (shown.startsWith('_')) shown = shown.mid(1);
        if (&it.value()->table() == &dataModule_.PASPORTS && shown.compare(fieldName, Qt::CaseInsensitive) == 0)
            return pageWidgets_.widgets.value(it.key());
    }
    return nullptr;
}

// --- construction ------------------------------------------------------------------------------

void TMainForm::buildMenu()
{
    for (const MenuDecl& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(text(m.title));
        menu->setObjectName(text(m.objectName));
        menu->menuAction()->setObjectName(text(m.objectName));
        menu->menuAction()->setProperty(kHelpContextProperty, m.helpContext);
        menu->installEventFilter(this);
        actions_.insert(menu->objectName(), menu->menuAction());
        for (const MenuItemDecl& item : m.items) {
            if (!item.objectName) {
                menu->addSeparator();
                continue;
            }
            if (!item.handler) {
                QMenu* sub = menu->addMenu(text(item.text));
                sub->setObjectName(text(item.objectName));
                sub->menuAction()->setObjectName(text(item.objectName));
                sub->menuAction()->setProperty(kHelpContextProperty, item.helpContext);
                sub->installEventFilter(this);
                continue;
            }
            QAction* a = menu->addAction(text(item.text));
            a->setObjectName(text(item.objectName));
            a->setProperty(kHelpContextProperty, item.helpContext);
            if (item.shortcut != QKeyCombination()) a->setShortcut(QKeySequence(item.shortcut));
            a->setShortcutContext(Qt::WindowShortcut);
            const auto handler = item.handler;
            connect(a, &QAction::triggered, this, Guarded([this, handler](bool) { (this->*handler)(); }));
            actions_.insert(a->objectName(), a);
        }
    }
    auto* help = new QAction(this);
    help->setObjectName(QStringLiteral("HelpKey"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { showContextHelp(); });
    addAction(help);
    addKeyboardCommands();
}

void TMainForm::addKeyboardCommands()
{
    for (const auto& s : kUsualShortcuts)
        if (QAction* a = actions_.value(text(s.action))) a->setShortcuts({a->shortcut(), QKeySequence(s.key)});
    recentFiles_ = new RecentFiles(findChild<QMenu*>(QStringLiteral("RecentFiles")), [this](const QString& path) {
        if (commands_) commands_->openPassport(path);
    }, this);
}

void TMainForm::buildPages()
{
    auto* central = new QWidget(this);
    makeWhite(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* strip = new QWidget(central);
    strip->setObjectName(QStringLiteral("TopStrip"));
    strip->setFixedHeight(kWhiteStripHeight);
    makeWhite(strip);
    layout->addWidget(strip);

    pageControl1_ = new QTabWidget(central);
    pageControl1_->setObjectName(QStringLiteral("PageControl1"));
    pageControl1_->setTabPosition(QTabWidget::West);
    pageControl1_->setDocumentMode(false);
    layout->addWidget(pageControl1_, 1);
    for (const OuterPageDecl& o : kOuterPages) {
        auto* page = new QWidget;
        page->setObjectName(text(o.objectName));
        const int index = pageControl1_->addTab(page, text(o.caption));
        if (o.hint[0]) {
            pageControl1_->setTabToolTip(index, text(o.hint));
            page->setToolTip(text(o.hint));
        }
    }

    auto* tables = outerPage(0);
    auto* tablesLayout = new QVBoxLayout(tables);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    // Twelve captions do not fit one row at common widths: the tabs wrap into more rows.
    pageControl2_ = new MultiRowTabWidget(tables);
    pageControl2_->setObjectName(QStringLiteral("PageControl2"));
    pageControl2_->setTabPosition(QTabWidget::North);
    tablesLayout->addWidget(pageControl2_);

    PageBuilder builder(dataModule_, [this](PageHandler h) { runPageHandler(h); });
    for (const InnerPageDecl& p : InnerPages()) {
        auto* page = new QWidget;
        page->setObjectName(text(p.objectName));
        makeWhite(page);
        if (p.form) builder.build(page, *p.form, pageWidgets_);
        pageControl2_->addTab(page, text(p.caption));
    }
    innerEnter_[3] = [this] { TabSheet6Enter(); };
    gridLayouts_ = std::make_unique<GridLayouts>();
    gridPages_ = new GridPages(*this, *gridLayouts_);
    contourPage_ = new ContourPage(*this, *gridPages_);
    documentsPage_ = new DocumentsPage(*this);
    passportCheck_ = new PassportCheckCommand(*this);
    simulationPage_ = new ResourceSimulationPage(*this, *gridPages_);

    pageControl1_->setCurrentIndex(0);
    pageControl2_->setCurrentIndex(0);
    connect(pageControl2_, &QTabWidget::currentChanged, this, [this](int index) { innerPageChanged(index); });
    connect(pageControl1_, &QTabWidget::currentChanged, this, [this](int index) { outerPageChanged(index); });
    setCentralWidget(central);
    focusFirstControl();
}

void TMainForm::BuildFileLists() { documentsPage_->BuildFileLists(); }

QWidget* TMainForm::innerPage(int index) const { return pageControl2_->widget(index); }
QWidget* TMainForm::outerPage(int index) const { return pageControl1_->widget(index); }

QLabel* TMainForm::valueLabel(const QString& objectName) const { return qobject_cast<QLabel*>(control(objectName)); }

void TMainForm::setInnerPageEnterHandler(int index, std::function<void()> handler)
{
    if (index >= 0 && index < kInnerPageCount) innerEnter_[static_cast<size_t>(index)] = std::move(handler);
}

void TMainForm::setOuterPageShowHandler(int index, std::function<void()> handler)
{
    if (index >= 0 && index < kOuterPageCount) outerShow_[static_cast<size_t>(index)] = std::move(handler);
}

// --- pages and messages --------------------------------------------------------------------------

void TMainForm::postSelectInnerPage(int index)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(kSelectInnerPage, index));
}

void TMainForm::postSelectOuterPage(int index)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(kSelectOuterPage, index));
}

void TMainForm::innerPageChanged(int index)
{
    if (selectingPage_ == 0) RunGuarded([this] { PageControl2Change(); });
    if (pageControl1_->currentIndex() == 0) enterInnerPage(index);
    // Every entry starts in the page's first control; a control that keeps the focus for a refused
    // value takes it back afterwards (queued), as does a page the entry rules send the user to.
    focusFirstControl();
}

void TMainForm::focusFirstControl()
{
    if (pageControl1_->currentIndex() != 0) return;
    QWidget* page = pageControl2_->currentWidget();
    if (!page) return;
    QWidget* focused = QApplication::focusWidget();
    if (focused && focused->window() != this) return;
    // Typing the field refused stays where it is: its control reports it and keeps the focus.
    for (QWidget* w = focused; w && page->isAncestorOf(w); w = w->parentWidget())
        if (auto* typed = dynamic_cast<TypedTextBinder*>(binder(w->objectName())); typed && typed->holdsTypedText())
            return;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        // The page's scroll area holds the controls; it is no control itself.
        if (!page->isAncestorOf(w) || !w->isVisibleTo(this) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
            qobject_cast<QScrollArea*>(w))
            continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

void TMainForm::outerPageChanged(int index)
{
    if (index == 0) enterInnerPage(pageControl2_->currentIndex());
    if (index >= 0 && index < kOuterPageCount && outerShow_[static_cast<size_t>(index)])
        RunGuarded(outerShow_[static_cast<size_t>(index)]);
}

void TMainForm::enterInnerPage(int index)
{
    if (index >= 0 && index < kInnerPageCount && innerEnter_[static_cast<size_t>(index)])
        RunGuarded(innerEnter_[static_cast<size_t>(index)]);
}

bool TMainForm::event(QEvent* e)
{
    if (!WindowMessageEvent::isWindowMessage(e)) return QMainWindow::event(e);
    const auto* m = static_cast<WindowMessageEvent*>(e);
    switch (m->message()) {
    case kSelectInnerPage:
    case kSelectOuterPage: {
        QTabWidget* tabs = m->message() == kSelectInnerPage ? pageControl2_ : pageControl1_;
        if (m->parameter() < 0 || m->parameter() >= tabs->count()) break;
        ++selectingPage_;
        tabs->setCurrentIndex(m->parameter());
        --selectingPage_;
        break;
    }
    case kOpenCommandLineFile:
        if (commands_) RunGuarded([this] { commands_->openPassport(commandLineFile_); });
        break;
    }
    return true;
}

// --- menu --------------------------------------------------------------------------------------

void TMainForm::N2Click()
{
    if (commands_) commands_->openPassport(QString());
}

void TMainForm::N3Click()
{
    if (commands_) commands_->savePassport(false);
}

void TMainForm::N4Click()
{
    if (commands_) commands_->savePassport(true);
}

void TMainForm::N5Click() { close(); }

void TMainForm::N7Click() { interaction_.showHelpTopic(kDescriptionTopic); }

void TMainForm::N9Click()
{
    if (commands_ && commands_->showAbout()) close();
}

void TMainForm::N12Click()
{
    if (commands_) commands_->exportUnpackedPassport();
}

// Printing is where a reviewer's copy is made: the passport check is offered first, as before the
// unpacked export.
bool TMainForm::checkBeforePrinting()
{
    bool goOn = false;
    return RunGuarded([&] { goOn = passportCheck().offerBefore(QStringLiteral("печатью паспорта")); }) && goOn;
}

void TMainForm::PrintClick()
{
    if (checkBeforePrinting()) PrintPassportWithPreview(this, dataModule_, gridLayouts(), simulationPage_->currentRun());
}

void TMainForm::SavePdfClick()
{
    if (checkBeforePrinting()) SavePassportAsPdf(dataModule_, gridLayouts(), interaction_, simulationPage_->currentRun());
}

void TMainForm::NewPassportClick()
{
    if (commands_) commands_->newPassport();
}

void TMainForm::CheckPassportClick() { passportCheck_->run(); }

void TMainForm::gisExportClick() { RunGisContourExport(this, dataModule_); }

void TMainForm::showContextHelp()
{
    int topic = kWindowHelpContext;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        QAction* a = menu->activeAction() ? menu->activeAction() : menu->menuAction();
        topic = a->property(kHelpContextProperty).toInt();
    }
    interaction_.showHelpTopic(topic);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    // An open menu takes the keys: the help key is caught there.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1 &&
        qobject_cast<QMenu*>(watched)) {
        auto* menu = static_cast<QMenu*>(watched);
        QAction* a = menu->activeAction() ? menu->activeAction() : menu->menuAction();
        interaction_.showHelpTopic(a->property(kHelpContextProperty).toInt());
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    bool mayClose = true;
    if (commands_ && !RunGuarded([&] { mayClose = commands_->closeQuery(); })) mayClose = false;
    e->setAccepted(mayClose);
}

} // namespace talvena
