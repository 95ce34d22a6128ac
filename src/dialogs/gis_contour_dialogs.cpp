#include "dialogs/gis_contour_dialogs.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "gis/contour_export.h"
#include "gis/contour_import.h"
#include "gis/gis_file.h"
#include "gui/user_interaction.h"
#include "model/coordinates.h"
#include "model/data_module.h"
#include "table/edit_journal.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace talvena {

namespace {

using namespace gis;

constexpr int kLayerRole = Qt::UserRole;
constexpr int kFeatureRole = Qt::UserRole + 1;
constexpr int kPartRole = Qt::UserRole + 2;

void fillDatums(QComboBox* box)
{
    for (const Datum d : {Datum::Pulkovo1942, Datum::Gsk2011, Datum::Wgs84}) box->addItem(DatumTitle(d), static_cast<int>(d));
}

// A system typed as an EPSG code, or the "без системы координат" choice.
struct CrsInput {
    QLineEdit* code;
    QCheckBox* none;
    CrsInput(QWidget* parent, const QString& placeholder)
        : code(new QLineEdit(parent)), none(new QCheckBox(QStringLiteral("без системы координат"), parent))
    {
        code->setPlaceholderText(placeholder);
        QObject::connect(none, &QCheckBox::toggled, code, [c = code](bool on) { c->setEnabled(!on); });
    }
    void setVisible(bool v)
    {
        code->setVisible(v);
        none->setVisible(v);
    }
    // Throws the parser's message for a code that is not one.
    std::optional<Crs> value() const
    {
        if (none->isChecked()) return Crs{};
        if (code->text().trimmed().isEmpty()) return std::nullopt;
        return ParseCrsText(code->text().toUtf8());
    }
};

QString coordTypeName(const TDataModule2& m, int type)
{
    return cp1251ToUnicode(CoordinateTypeName(m.TCoords, type));
}

class TGisImportForm : public QDialog {
public:
    TGisImportForm(QWidget* parent, const GisFile& file, const QString& fileName, const TDataModule2& module,
                   std::optional<int> horizonType)
        : QDialog(parent), file_(file), horizonType_(horizonType), fileCrs_(this, QStringLiteral("например, EPSG:28413")),
          horizonCrs_(this, QStringLiteral("например, EPSG:3395"))
    {
        setWindowTitle(QStringLiteral("Импорт контура из ГИС"));
        resize(760, 520);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Файл: %1 (%2)").arg(fileName, file.format), this));
        tree_ = new QTreeWidget(this);
        tree_->setHeaderLabels({QStringLiteral("Слой / объект / часть"), QStringLiteral("Геометрия"), QStringLiteral("Точек"),
                                QStringLiteral("Атрибуты")});
        tree_->setRootIsDecorated(true);
        layout->addWidget(tree_, 1);
        QTreeWidgetItem* first = nullptr;
        for (size_t l = 0; l < file.layers.size(); ++l) {
            const GisLayer& layer = file.layers[l];
            auto* li = new QTreeWidgetItem(tree_, {layer.name + QStringLiteral(" — ") + CrsTitle(layer.crs)});
            li->setFlags(Qt::ItemIsEnabled);
            for (size_t f = 0; f < layer.features.size(); ++f) {
                const GisFeature& feature = layer.features[f];
                QStringList attributes;
                for (const auto& [name, value] : feature.attributes) attributes << name + QStringLiteral("=") + value;
                auto* fi = new QTreeWidgetItem(li, {QStringLiteral("Объект %1").arg(f + 1), feature.geometryType,
                                                    QString::number(feature.parts.size() == 1 ? feature.parts[0].size() : 0),
                                                    attributes.join(QStringLiteral("; "))});
                fi->setData(0, kLayerRole, int(l));
                fi->setData(0, kFeatureRole, int(f));
                fi->setData(0, kPartRole, feature.parts.size() == 1 ? 0 : -1);
                if (feature.parts.size() > 1) {
                    fi->setText(2, QString());
                    for (size_t p = 0; p < feature.parts.size(); ++p) {
                        auto* pi = new QTreeWidgetItem(fi, {QStringLiteral("Часть %1").arg(p + 1), QString(),
                                                            QString::number(feature.parts[p].size())});
                        pi->setData(0, kLayerRole, int(l));
                        pi->setData(0, kFeatureRole, int(f));
                        pi->setData(0, kPartRole, int(p));
                        if (!first) first = pi;
                    }
                    fi->setFlags(Qt::ItemIsEnabled); // a multipolygon: one of its parts is chosen
                } else if (!first) {
                    first = fi;
                }
            }
        }
        tree_->expandAll();
        tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

        auto* form = new QFormLayout;
        crsLabel_ = new QLabel(this);
        form->addRow(QStringLiteral("Система координат файла:"), crsLabel_);
        auto* crsRow = new QHBoxLayout;
        crsRow->addWidget(fileCrs_.code);
        crsRow->addWidget(fileCrs_.none);
        form->addRow(QString(), crsRow);
        if (!horizonType_) {
            typeBox_ = new QComboBox(this);
            for (const int t : {1, 2, 4, 3, 0})
                typeBox_->addItem(t == 0 ? QStringLiteral("без типа (числа как есть)") : coordTypeName(module, t), t);
            form->addRow(QStringLiteral("Тип координат контура:"), typeBox_);
            connect(typeBox_, &QComboBox::currentIndexChanged, this, [this] { updateRows(); });
        }
        datumBox_ = new QComboBox(this);
        fillDatums(datumBox_);
        form->addRow(QStringLiteral("Датум горизонта:"), datumBox_);
        auto* horizonRow = new QHBoxLayout;
        horizonRow->addWidget(horizonCrs_.code);
        horizonRow->addWidget(horizonCrs_.none);
        horizonCrsLabel_ = new QLabel(QStringLiteral("Система координат горизонта:"), this);
        form->addRow(horizonCrsLabel_, horizonRow);
        layout->addLayout(form);

        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(QStringLiteral("Импортировать"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
        connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { updateRows(); });
        connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { tryAccept(); });
        if (first) tree_->setCurrentItem(first);
        updateRows();
        tree_->setFocus();
    }

    std::vector<QPointF> points;
    int coordType = 0;

private:
    const GisLayer* chosenLayer() const
    {
        const QTreeWidgetItem* item = tree_->currentItem();
        if (!item || item->data(0, kPartRole).toInt() < 0 || !item->data(0, kLayerRole).isValid()) return nullptr;
        return &file_.layers[size_t(item->data(0, kLayerRole).toInt())];
    }
    int chosenType() const { return horizonType_ ? *horizonType_ : typeBox_->currentData().toInt(); }

    void updateRows()
    {
        const GisLayer* layer = chosenLayer();
        const bool fileHasCrs = layer && !layer->crs.none();
        crsLabel_->setText(fileHasCrs ? CrsTitle(layer->crs) : QStringLiteral("нет в файле — укажите код EPSG"));
        fileCrs_.setVisible(!fileHasCrs);
        const int t = chosenType();
        const bool asks = t == 0 || t == 3;
        horizonCrs_.setVisible(asks);
        horizonCrsLabel_->setVisible(asks);
        datumBox_->setEnabled(!asks);
    }

    void tryAccept()
    {
        const QTreeWidgetItem* item = tree_->currentItem();
        const GisLayer* layer = chosenLayer();
        if (!layer) {
            userInteraction().showWarning(QStringLiteral("Выберите объект (у мультиполигона — его часть)."));
            return;
        }
        try {
            const GisFeature& feature = layer->features[size_t(item->data(0, kFeatureRole).toInt())];
            const std::vector<QPointF>& chosen = feature.parts[size_t(item->data(0, kPartRole).toInt())];
            std::optional<Crs> from = layer->crs.none() ? fileCrs_.value() : std::optional(layer->crs);
            if (!from) {
                userInteraction().showWarning(
                    QStringLiteral("В файле нет системы координат: укажите её код EPSG или выберите «без системы координат»."));
                fileCrs_.code->setFocus();
                return;
            }
            coordType = chosenType();
            const Datum datum = static_cast<Datum>(datumBox_->currentData().toInt());
            std::optional<Crs> horizonCrs = (coordType == 0 || coordType == 3) ? horizonCrs_.value() : std::nullopt;
            if ((coordType == 0 || coordType == 3) && !horizonCrs) {
                userInteraction().showWarning(QStringLiteral(
                    "У этого типа координат нет своей системы координат: укажите её код EPSG или выберите «без системы координат»."));
                horizonCrs_.code->setFocus();
                return;
            }
            points = ConvertForHorizon(chosen, *from, coordType, datum, horizonCrs);
        } catch (const std::exception& e) {
            userInteraction().showError(QString::fromUtf8(e.what()));
            return;
        }
        accept();
    }

    const GisFile& file_;
    std::optional<int> horizonType_;
    QTreeWidget* tree_ = nullptr;
    QLabel* crsLabel_ = nullptr;
    QLabel* horizonCrsLabel_ = nullptr;
    QComboBox* typeBox_ = nullptr;
    QComboBox* datumBox_ = nullptr;
    CrsInput fileCrs_;
    CrsInput horizonCrs_;
};

class TGisExportForm : public QDialog {
public:
    explicit TGisExportForm(QWidget* parent)
        : QDialog(parent), crs_(new QLineEdit(this)), otherCrs_(new QLineEdit(this))
    {
        setWindowTitle(QStringLiteral("Экспорт контуров в ГИС"));
        setMinimumWidth(620);
        auto* form = new QFormLayout(this);
        formatBox_ = new QComboBox(this);
        for (const ExportFormat& f : ExportFormats()) formatBox_->addItem(QString::fromUtf8(f.title), QByteArray(f.driver));
        form->addRow(QStringLiteral("Формат:"), formatBox_);
        datumBox_ = new QComboBox(this);
        fillDatums(datumBox_);
        form->addRow(QStringLiteral("Датум контуров (типы 1, 2, 4):"), datumBox_);
        crs_->setPlaceholderText(QStringLiteral("по умолчанию — географическая система датума"));
        form->addRow(QStringLiteral("Система координат файла (EPSG):"), crs_);
        otherCrs_->setPlaceholderText(QStringLiteral("иначе такие контуры не записываются"));
        form->addRow(QStringLiteral("Система типов 0 и 3 (EPSG):"), otherCrs_);
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(QStringLiteral("Записать…"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(formatBox_, &QComboBox::currentIndexChanged, this, [this] {
            const bool wgs = FindExportFormat(formatBox_->currentData().toByteArray())->wgs84Only;
            crs_->setEnabled(!wgs);
        });
        form->addRow(buttons);
    }

    ExportSettings settings;

private:
    void tryAccept()
    {
        try {
            settings.format = formatBox_->currentData().toByteArray();
            settings.datum = static_cast<Datum>(datumBox_->currentData().toInt());
            settings.crs = crs_->isEnabled() && !crs_->text().trimmed().isEmpty()
                               ? std::optional(ParseCrsText(crs_->text().toUtf8()))
                               : std::nullopt;
            settings.otherTypesCrs = otherCrs_->text().trimmed().isEmpty() ? std::nullopt
                                                                           : std::optional(ParseCrsText(otherCrs_->text().toUtf8()));
        } catch (const std::exception& e) {
            userInteraction().showError(QString::fromUtf8(e.what()));
            return;
        }
        accept();
    }

    QComboBox* formatBox_;
    QComboBox* datumBox_;
    QLineEdit* crs_;
    QLineEdit* otherCrs_;
};

QString gisFileFilter()
{
    return QStringLiteral("Файлы ГИС (*.shp *.tab *.mif *.gpkg *.geojson *.json *.kml *.dxf *.bln *.irap *.rms *.pol "
                          "*.zmap *.zmp *.txt *.dat);;Все файлы (*)");
}

} // namespace

std::optional<ContourChartData> RunGisContourImport(QWidget* parent, TDataModule2& module, const PointGridHooks& grid)
{
    if (!HasCurrentProductHorizon(module)) {
        userInteraction().showWarning(QString::fromUtf8(kNoCurrentHorizonMessage));
        return std::nullopt;
    }
    const QString path = userInteraction().openFileName(QStringLiteral("Импорт контура из ГИС"), gisFileFilter(), QString());
    if (path.isEmpty()) return std::nullopt;
    GisFile file;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        file = ReadGisFile(path);
        QApplication::restoreOverrideCursor();
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        userInteraction().showError(QString::fromUtf8(e.what()));
        return std::nullopt;
    }
    RecordTable& horizons = module.POSIB_PRODUCT_HOR;
    Field& typeField = horizons.fieldByName("KONTURKOORDTYPE");
    const std::optional<int> type = typeField.isNull() ? std::nullopt : std::optional(int(typeField.asInteger()));
    TGisImportForm form(parent, file, QFileInfo(path).fileName(), module, type);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    // The type chosen for the horizon and its new points are one step of the user's history.
    const EditJournal::Action action(&module.journal(), QStringLiteral("Импорт контура"));
    if (!type) {
        if (horizons.state() != TableState::Edit && horizons.state() != TableState::Insert) horizons.edit();
        typeField.setInteger(form.coordType);
        horizons.post();
    }
    return ReplaceContour(module, form.points, grid);
}

void RunGisContourExport(QWidget* parent, TDataModule2& module)
{
    TGisExportForm form(parent);
    if (form.exec() != QDialog::Accepted) return;
    const ExportFormat* format = FindExportFormat(form.settings.format);
    const QString path = userInteraction().saveFileName(
        QStringLiteral("Экспорт контуров в ГИС"),
        QStringLiteral("%1 (*.%2)").arg(QString::fromUtf8(format->title), QString::fromUtf8(format->extension)), QString(),
        QString::fromUtf8(format->extension));
    if (path.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ExportResult result;
    try {
        result = ExportContours(module, path, form.settings);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        userInteraction().showError(QString::fromUtf8(e.what()));
        return;
    }
    QApplication::restoreOverrideCursor();
    QString text = QStringLiteral("Записано контуров: %1 в файл «%2» (%3).")
                       .arg(result.written)
                       .arg(QFileInfo(result.path).fileName(), CrsTitle(result.crs));
    if (!result.notWritten.isEmpty()) {
        text += QStringLiteral("\n\nНе записаны:\n") + result.notWritten.join(QLatin1Char('\n'));
        userInteraction().showWarning(text);
    } else {
        userInteraction().showInformation(text);
    }
}

} // namespace talvena
