// "Файлы → Каталог паспортов…" over a catalogue indexed from a folder: the list with its totals as
// the model computes them, the search line, the map of the chosen passport and the double click
// that hands the file to the window's open.
#include "app/catalogue_dialog.h"
#include "app/catalogue_map.h"
#include "catalogue/catalogue_index.h"
#include "model/data_module.h"
#include "model/resources.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace talvena;

namespace {

TEST(CatalogueDialogTest, ListsSearchesMapsAndOpensWhatTheCatalogueHolds)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("Пример.psp");
    ASSERT_TRUE(QFile::copy(TALVENA_EXAMPLE_PASSPORT, good));
    QFile example(good);
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    QFile cut(dir.filePath("обрезанный.psp"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(example.read(example.size() / 2));
    cut.close();
    const QString gpkg = dir.filePath("catalogue.gpkg");
    catalogue::IndexPassports(gpkg, {dir.path()}, QCoreApplication::applicationDirPath());

    TDataModule2 model;
    model.DataModuleCreate(QCoreApplication::applicationDirPath());
    model.LoadPassport(good);
    const GeologyTotals totals = ComputeGeologyTotals(model.POSIB_PRODUCT_HOR, model.REFLECT_HORIZONTS);

    QStringList opened;
    CatalogueDialog dialog(nullptr, [&](const QString& path) { opened << path; });
    dialog.show();
    auto* target = dialog.findChild<QLineEdit*>("CatalogueTarget");
    auto* list = dialog.findChild<QTableWidget*>("CatalogueList");
    auto* label = dialog.findChild<QLabel*>("CatalogueTotals");
    auto* map = dialog.findChild<CatalogueMap*>("CatalogueMap");
    ASSERT_TRUE(target && list && label && map);
    target->setText(gpkg);
    QTest::keyClick(target, Qt::Key_Return);
    ASSERT_EQ(list->rowCount(), 2) << "the good passport and the damaged one";
    EXPECT_TRUE(label->text().contains(QStringLiteral("нефть %1 млн т").arg(totals.deterministic[OilSum], 0, 'f', 3)))
        << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QStringLiteral("с ошибками: 1"))) << label->text().toStdString();

    dialog.findChild<QLineEdit*>("CatalogueSearch")->setText(QStringLiteral("нижнечуз"));
    ASSERT_EQ(list->rowCount(), 1);
    list->selectRow(0);
    // The chosen passport's contours are drawn in their own colour.
    const QImage image = map->grab().toImage();
    bool chosenDrawn = false;
    for (int y = 0; y < image.height() && !chosenDrawn; y += 2)
        for (int x = 0; x < image.width() && !chosenDrawn; x += 2) {
            const QColor c = image.pixelColor(x, y);
            chosenDrawn = c.red() > 150 && c.green() < 120 && c.blue() < 120;
        }
    EXPECT_TRUE(chosenDrawn);
    emit list->cellDoubleClicked(0, 0);
    EXPECT_EQ(opened, QStringList{good});

    dialog.findChild<QLineEdit*>("CatalogueMinOil")->setText(QString::number(totals.deterministic[OilSum] + 1));
    EXPECT_EQ(list->rowCount(), 0);
}

} // namespace
