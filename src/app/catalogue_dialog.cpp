#include "app/catalogue_dialog.h"

#include "app/catalogue_map.h"
#include "catalogue/catalogue_index.h"
#include "catalogue/catalogue_query.h"
#include "catalogue/catalogue_store.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include "gui/user_settings.h"
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <mutex>

namespace talvena {

using namespace catalogue;

namespace {

// The list's columns, in order: title, and what each shows of a passport.
enum class Shown { Object, Region, Oil, DissolvedGas, Gas, Condensate, Path, Error };
constexpr struct {
    const char* title;
    Shown shown;
} kColumns[] = {
    {"Объект", Shown::Object},
    {"Регион", Shown::Region},
    {"Нефть, млн т", Shown::Oil},
    {"Раств. газ, млн м³", Shown::DissolvedGas},
    {"Газ, млн м³", Shown::Gas},
    {"Конденсат, млн т", Shown::Condensate},
    {"Файл", Shown::Path},
    {"Ошибка", Shown::Error},
};

QVariant shownValue(const ListedPassport& p, Shown s)
{
    switch (s) {
    case Shown::Object: return p.objectName;
    case Shown::Region: return p.region;
    case Shown::Oil: return p.loaded ? QVariant(p.oil) : QVariant();
    case Shown::DissolvedGas: return p.loaded ? QVariant(p.dissolvedGas) : QVariant();
    case Shown::Gas: return p.loaded ? QVariant(p.gas) : QVariant();
    case Shown::Condensate: return p.loaded ? QVariant(p.condensate) : QVariant();
    case Shown::Path: return p.path;
    case Shown::Error: return p.error;
    }
    return {};
}

// Numbers sort as numbers and show three decimals.
class NumberItem : public QTableWidgetItem {
public:
    explicit NumberItem(const QVariant& v) : value_(v.isValid() ? v.toDouble() : -1)
    {
        if (v.isValid()) setText(QString::number(v.toDouble(), 'f', 3));
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override
    {
        return value_ < static_cast<const NumberItem&>(other).value_;
    }

private:
    double value_;
};

constexpr int kPathRole = Qt::UserRole;
constexpr int kIdRole = Qt::UserRole + 1;
const char kSettingsKey[] = "catalogue/target";

} // namespace

CatalogueDialog::CatalogueDialog(QWidget* parent, std::function<void(const QString&)> openPassport)
    : QDialog(parent), openPassport_(std::move(openPassport))
{
    setObjectName("CatalogueDialog");
    setWindowTitle(QStringLiteral("Каталог паспортов"));
    resize(1200, 700);
    auto* layout = new QVBoxLayout(this);

    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(new QLabel(QStringLiteral("&Каталог:")));
    targetEdit_ = new QLineEdit;
    targetEdit_->setObjectName("CatalogueTarget");
    targetEdit_->setPlaceholderText(QStringLiteral("файл .gpkg или postgresql://пользователь@сервер/база"));
    static_cast<QLabel*>(targetRow->itemAt(0)->widget())->setBuddy(targetEdit_);
    targetRow->addWidget(targetEdit_, 1);
    auto* fileButton = new QPushButton(QStringLiteral("&Файл…"));
    auto* openButton = new QPushButton(QStringLiteral("&Открыть"));
    openButton->setObjectName("CatalogueOpen");
    // Return in the catalogue line opens it rather than pressing a button.
    for (QPushButton* b : {fileButton, openButton}) b->setAutoDefault(false);
    targetRow->addWidget(fileButton);
    targetRow->addWidget(openButton);
    layout->addLayout(targetRow);

    auto* filterRow = new QHBoxLayout;
    const auto addFilter = [&](const QString& label, const char* name, int stretch) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        auto* l = new QLabel(label);
        l->setBuddy(edit);
        filterRow->addWidget(l);
        filterRow->addWidget(edit, stretch);
        connect(edit, &QLineEdit::textChanged, this, [this] { refresh(); });
        return edit;
    };
    nameEdit_ = addFilter(QStringLiteral("&Поиск:"), "CatalogueSearch", 3);
    regionEdit_ = addFilter(QStringLiteral("&Регион:"), "CatalogueRegion", 2);
    minOilEdit_ = addFilter(QStringLiteral("Нефть от, млн т:"), "CatalogueMinOil", 1);
    minGasEdit_ = addFilter(QStringLiteral("Газ от, млн м³:"), "CatalogueMinGas", 1);
    layout->addLayout(filterRow);

    auto* splitter = new QSplitter;
    list_ = new QTableWidget(0, int(std::size(kColumns)));
    list_->setObjectName("CatalogueList");
    QStringList titles;
    for (const auto& c : kColumns) titles << QString::fromUtf8(c.title);
    list_->setHorizontalHeaderLabels(titles);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    list_->setSortingEnabled(true);
    splitter->addWidget(list_);
    map_ = new CatalogueMap;
    splitter->addWidget(map_);
    splitter->setSizes({700, 480});
    list_->sortByColumn(0, Qt::AscendingOrder);
    layout->addWidget(splitter, 1);

    totals_ = new QLabel;
    totals_->setObjectName("CatalogueTotals");
    layout->addWidget(totals_);

    auto* buttons = new QDialogButtonBox;
    auto* reindexButton = buttons->addButton(QStringLiteral("Обновить &каталог…"), QDialogButtonBox::ActionRole);
    reindexButton->setObjectName("CatalogueReindex");
    auto* openPassportButton = buttons->addButton(QStringLiteral("Открыть &паспорт"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    for (QAbstractButton* b : buttons->buttons())
        if (auto* p = qobject_cast<QPushButton*>(b)) p->setAutoDefault(false);

    connect(fileButton, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(openButton, &QPushButton::clicked, this, [this] { openCatalogue(); });
    connect(targetEdit_, &QLineEdit::returnPressed, this, [this] { openCatalogue(); });
    connect(reindexButton, &QPushButton::clicked, this, [this] { reindex(); });
    connect(openPassportButton, &QPushButton::clicked, this, [this] { openChosen(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { openChosen(); });
    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] { showChosenOnMap(); });

    const QString last = UserSettings()->value(kSettingsKey).toString();
    if (!last.isEmpty()) {
        targetEdit_->setText(last);
        QTimer::singleShot(0, this, [this] { openCatalogue(); });
    }
}

CatalogueDialog::~CatalogueDialog() = default;

void CatalogueDialog::showError(const QString& text) { QMessageBox::critical(this, QStringLiteral("Ошибка"), text); }

void CatalogueDialog::chooseFile()
{
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Файл каталога"), targetEdit_->text(),
                                                      QStringLiteral("Каталог GeoPackage (*.gpkg)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty()) return;
    targetEdit_->setText(file);
    openCatalogue();
}

void CatalogueDialog::openCatalogue()
{
    const QString target = targetEdit_->text().trimmed();
    if (target.isEmpty()) return;
    try {
        // A file that is not there yet is made empty, ready for "Обновить каталог".
        store_ = std::make_unique<CatalogueStore>(target, !CatalogueStore::IsServer(target) && !QFileInfo::exists(target));
        target_ = target;
        UserSettings()->setValue(kSettingsKey, target);
    } catch (const std::exception& e) {
        store_.reset();
        showError(QString::fromUtf8(e.what()));
    }
    refresh();
}

void CatalogueDialog::refresh()
{
    list_->setSortingEnabled(false);
    list_->setRowCount(0);
    map_->setRings({});
    totals_->clear();
    if (!store_) return;
    FindQuery q;
    q.name = nameEdit_->text().trimmed();
    q.region = regionEdit_->text().trimmed();
    bool ok = false;
    if (const double v = minOilEdit_->text().trimmed().replace(',', '.').toDouble(&ok); ok) q.minOil = v;
    if (const double v = minGasEdit_->text().trimmed().replace(',', '.').toDouble(&ok); ok) q.minGas = v;
    std::vector<ListedPassport> found;
    try {
        found = FindPassports(*store_, q);
        std::set<qint64> ids;
        for (const ListedPassport& p : found) ids.insert(p.id);
        map_->setRings(store_->contourRings(ids));
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
        return;
    }
    list_->setRowCount(int(found.size()));
    double sums[4] = {0, 0, 0, 0};
    int loaded = 0;
    for (int r = 0; r < int(found.size()); ++r) {
        const ListedPassport& p = found[size_t(r)];
        for (int c = 0; c < int(std::size(kColumns)); ++c) {
            const QVariant v = shownValue(p, kColumns[c].shown);
            const bool number = kColumns[c].shown >= Shown::Oil && kColumns[c].shown <= Shown::Condensate;
            QTableWidgetItem* item = number ? new NumberItem(v) : new QTableWidgetItem(v.toString());
            item->setData(kPathRole, p.path);
            item->setData(kIdRole, p.id);
            list_->setItem(r, c, item);
        }
        if (p.loaded) {
            ++loaded;
            sums[0] += p.oil, sums[1] += p.dissolvedGas, sums[2] += p.gas, sums[3] += p.condensate;
        }
    }
    list_->setSortingEnabled(true);
    list_->resizeColumnsToContents();
    totals_->setText(QStringLiteral("Паспортов: %1 (с ошибками: %2). Всего: нефть %3 млн т, растворённый газ %4 млн м³, "
                                    "газ %5 млн м³, конденсат %6 млн т")
                         .arg(found.size())
                         .arg(int(found.size()) - loaded)
                         .arg(sums[0], 0, 'f', 3)
                         .arg(sums[1], 0, 'f', 3)
                         .arg(sums[2], 0, 'f', 3)
                         .arg(sums[3], 0, 'f', 3));
}

void CatalogueDialog::showChosenOnMap()
{
    const QList<QTableWidgetItem*> items = list_->selectedItems();
    map_->setChosen(items.isEmpty() ? 0 : items.front()->data(kIdRole).toLongLong());
}

void CatalogueDialog::openChosen()
{
    const QList<QTableWidgetItem*> items = list_->selectedItems();
    if (items.isEmpty()) return;
    const QString path = items.front()->data(kPathRole).toString();
    if (openPassport_) openPassport_(path);
}

void CatalogueDialog::reindex()
{
    if (target_.isEmpty()) {
        showError(QStringLiteral("Сначала откройте каталог: файл .gpkg или сервер."));
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Папка с паспортами"),
        CatalogueStore::IsServer(target_) ? QDir::homePath() : QFileInfo(target_).absolutePath());
    if (folder.isEmpty()) return;

    QProgressDialog progress(QStringLiteral("Обновление каталога…"), QStringLiteral("Отмена"), 0, 0, this);
    progress.setWindowTitle(QStringLiteral("Каталог паспортов"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    std::atomic<int> done{0}, total{0};
    std::atomic<bool> cancel{false};
    std::mutex pathLock;
    QString current;
    IndexReport report;
    QString failure;
    store_.reset();
    const QString target = target_;
    const QString dictionaries = QCoreApplication::applicationDirPath();
    // Exceptions end on the worker; the window hears of them below.
    QThread* worker = QThread::create([&] {
        try {
            report = IndexPassports(target, {folder}, dictionaries, [&](const IndexProgress& p) {
                done = p.done, total = p.total;
                std::lock_guard<std::mutex> g(pathLock);
                current = p.path;
                return !cancel.load();
            });
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    });
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
        progress.setMaximum(total);
        progress.setValue(done);
        std::lock_guard<std::mutex> g(pathLock);
        progress.setLabelText(QStringLiteral("Обновление каталога: %1 из %2\n%3").arg(done.load()).arg(total.load()).arg(QFileInfo(current).fileName()));
    });
    connect(&progress, &QProgressDialog::canceled, this, [&] { cancel = true; });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    timer.start(100);
    worker->start();
    loop.exec();
    timer.stop();
    worker->wait();
    delete worker;
    progress.close();
    openCatalogue();
    if (!failure.isEmpty()) {
        showError(failure);
        return;
    }
    QString text = QStringLiteral("Найдено паспортов: %1; добавлено %2, изменено %3, без изменений %4, удалено %5.")
                       .arg(report.found).arg(report.added).arg(report.changed).arg(report.unchanged).arg(report.removed);
    if (report.cancelled) text += QStringLiteral("\nОбновление прервано; уже записанное сохранено в каталоге.");
    if (!report.errors.isEmpty())
        text += QStringLiteral("\nНе загружены (%1):\n").arg(report.errors.size()) + report.errors.mid(0, 15).join('\n');
    QMessageBox::information(this, QStringLiteral("Информация"), text);
}

} // namespace talvena
