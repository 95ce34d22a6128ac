#pragma once
// "Файлы → Каталог паспортов…": a catalogue file or server opened, searched by a line and
// filters, its passports listed with their totals (sortable) and their contours on a map; a
// double click opens a passport in the window, "Обновить каталог" indexes a folder again with a
// progress bar and Cancel.
#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace talvena {

class CatalogueMap;
namespace catalogue {
class CatalogueStore;
struct ListedPassport;
}

class CatalogueDialog : public QDialog {
public:
    // `openPassport` opens a file in the main window (asking to save the open passport first).
    CatalogueDialog(QWidget* parent, std::function<void(const QString&)> openPassport);
    ~CatalogueDialog() override;

private:
    void chooseFile();
    void openCatalogue();
    void refresh();
    void reindex();
    void openChosen();
    void showChosenOnMap();
    void showError(const QString& text);

    std::function<void(const QString&)> openPassport_;
    std::unique_ptr<catalogue::CatalogueStore> store_;
    QString target_;
    QLineEdit* targetEdit_;
    QLineEdit* nameEdit_;
    QLineEdit* regionEdit_;
    QLineEdit* minOilEdit_;
    QLineEdit* minGasEdit_;
    QTableWidget* list_;
    QLabel* totals_;
    CatalogueMap* map_;
};

} // namespace talvena
