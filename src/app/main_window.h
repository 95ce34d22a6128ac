#pragma once
// The main window: the menu, the outer and inner page controls, the form pages built from their
// declarations, and the rules that make the form pages follow the domain. It holds no passport
// data: every control is bound to a field of the data module's tables.
#include "app/page_builder.h"
#include "app/page_decl.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace talvena {

class ContourPage;
class DocumentsPage;
class FieldBinder;
class GridLayouts;
class GridPages;
class PassportCheckCommand;
class ResourceSimulationPage;
class PassportCommands;
class RecentFiles;
class TDataModule2;
class UserInteraction;
class ValuePickers;

class TMainForm : public QMainWindow {
public:
    static constexpr int kInnerPageCount = 12;
    static constexpr int kOuterPageCount = 2;
    static constexpr int kWindowHelpContext = 100;

    // `arguments` are the command-line arguments after the program name.
    TMainForm(TDataModule2& dataModule, UserInteraction& interaction, QStringList arguments = {},
              QWidget* parent = nullptr);
    ~TMainForm() override;

    TDataModule2& dataModule() const { return dataModule_; }
    UserInteraction& interaction() const { return interaction_; }
    void setCommands(PassportCommands* commands) { commands_ = commands; }
    void setPickers(ValuePickers* pickers) { pickers_ = pickers; }
    ValuePickers* pickers() const { return pickers_; }

    // The controller of the grid pages 5 to 11, and the column layouts its grids keep.
    GridPages& gridPages() const { return *gridPages_; }
    GridLayouts& gridLayouts() const { return *gridLayouts_; }
    ContourPage& contourPage() const { return *contourPage_; }
    // The outer page of the attachments, which owns the slot lists.
    DocumentsPage& documentsPage() const { return *documentsPage_; }
    // "Проверка паспорта" and its list of findings.
    PassportCheckCommand& passportCheck() const { return *passportCheck_; }
    // "Последние файлы"; the passport commands add each file opened or saved.
    RecentFiles& recentFiles() const { return *recentFiles_; }
    // Rebuilds the attachment slot lists (at creation and after a passport was opened).
    void BuildFileLists();

    // --- pages -----------------------------------------------------------------------------
    QTabWidget* PageControl1() const { return pageControl1_; }
    QTabWidget* PageControl2() const { return pageControl2_; }
    QWidget* innerPage(int index) const;
    QWidget* outerPage(int index) const;
    // Queues the page-selection messages 1025 and 1026.
    void postSelectInnerPage(int index);
    void postSelectOuterPage(int index);
    // Entry handlers of inner pages (run each time the page is entered) and show handlers of
    // outer pages; the grid pages and the documents page install theirs here.
    void setInnerPageEnterHandler(int index, std::function<void()> handler);
    void setOuterPageShowHandler(int index, std::function<void()> handler);

    // A control, caption label, group box or value label of the form pages by object name.
    QWidget* control(const QString& objectName) const { return pageWidgets_.widgets.value(objectName); }
    FieldBinder* binder(const QString& objectName) const { return pageWidgets_.binders.value(objectName); }
    QLabel* valueLabel(const QString& objectName) const;
    QAction* menuAction(const QString& objectName) const { return actions_.value(objectName); }
    // The form control that edits a PASPORTS field; nullptr when none does.
    QWidget* controlOfField(const QByteArray& fieldName) const;

    // --- page behaviours ---------------------------------------------------------------------
    void PageControl2Change();
    // Runs what a page declaration names for a control's change or button.
    void runPageHandler(PageHandler handler);
    void SelectMethodGroup(int group);
    void ClearMethodGroup(int group);
    void UpdateGeoDopEdits();
    void TabSheet6Enter();
    bool methodRuleGuard() const;

    // Runs after the Geology totals are written (the simulated totals' block).
    std::function<void()> afterGeologyTotals;

    // --- menu --------------------------------------------------------------------------------
    void N2Click();  // open
    void N3Click();  // save
    void N4Click();  // save as
    void N5Click();  // exit: closes the window, which runs the close query
    void N7Click();  // the description file: help topic 130
    void N9Click();  // About box
    void N12Click(); // unpacked passport
    void PrintClick();   // the print preview of the printed passport
    void SavePdfClick(); // the printed passport as a PDF file
    void NewPassportClick();
    void CheckPassportClick();
    // Gives the focus to the first control of the page shown (not while another window has it).
    void focusFirstControl();
    void gisExportClick(); // every contour into a GIS file
    // The help key: the topic of the highlighted menu item, else the window's.
    void showContextHelp();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool checkBeforePrinting();
    void buildMenu();
    void addKeyboardCommands();
    void buildPages();
    void innerPageChanged(int index);
    void outerPageChanged(int index);
    void enterInnerPage(int index);
    void setControlEnabled(const char* objectName, bool enabled);
    void otherMethodRule(const char* methodField, const char* editName);
    void sourceKindRule(int group, const char* chargeLabel, const char* chargeCombo, const char* typeLabel,
                        const char* typeCombo);
    void pickScale(const char* fieldName);
    void pickStratigraphicIndex(const char* fieldName);

    TDataModule2& dataModule_;
    UserInteraction& interaction_;
    PassportCommands* commands_ = nullptr;
    ValuePickers* pickers_ = nullptr;

    QTabWidget* pageControl1_ = nullptr;
    QTabWidget* pageControl2_ = nullptr;
    PageWidgets pageWidgets_;
    std::unique_ptr<GridLayouts> gridLayouts_;
    GridPages* gridPages_ = nullptr;
    ContourPage* contourPage_ = nullptr;
    DocumentsPage* documentsPage_ = nullptr;
    PassportCheckCommand* passportCheck_ = nullptr;
    RecentFiles* recentFiles_ = nullptr;
    ResourceSimulationPage* simulationPage_ = nullptr;
    QHash<QString, QAction*> actions_;
    std::array<std::function<void()>, kInnerPageCount> innerEnter_;
    std::array<std::function<void()>, kOuterPageCount> outerShow_;

    QString commandLineFile_;
    int selectingPage_ = 0; // page changes made by code, which do not run PageControl2Change
};

} // namespace talvena
