// "Импорт из ГИС…" and "Экспорт контуров в ГИС…" driven as a user drives them: the file read,
// the object chosen in the list, the missing systems and type asked, and the file written read
// back by GDAL's ogrinfo.
#include "dialogs/gis_contour_dialogs.h"
#include "gui/scripted_interaction.h"
#include "model/model_fixture.h"
#include "support/next_modal.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace talvena::test {
namespace {

class GisDialogsTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        installUserInteraction(&ui);
    }
    void TearDown() override { installUserInteraction(nullptr); }

    // Runs `command` with `drive` working the modal dialog it opens.
    template <class Command>
    void withDialog(Command command, std::function<void(QDialog&)> drive)
    {
        const auto shown = testsupport::driveNextModal(drive);
        command();
        EXPECT_TRUE(*shown);
    }
    static QPushButton* button(QDialog& d, const QString& text)
    {
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == text) return b;
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
    static QLineEdit* edit(QDialog& d, const QString& placeholderStart)
    {
        for (QLineEdit* e : d.findChildren<QLineEdit*>())
            if (e->placeholderText().startsWith(placeholderStart)) return e;
        ADD_FAILURE() << placeholderStart.toStdString();
        return nullptr;
    }

    ScriptedInteraction ui;
    QTemporaryDir files;
};

TEST_F(GisDialogsTest, AContourComesInWithItsSystemAskedAndGoesOutToGeoPackage)
{
    addProductHorizon("Ю1");
    const QString bln = files.filePath("traps.bln");
    QFile f(bln);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("3,1,\"Малая\"\n13450000,6480000\n13460000,6480000\n13455000,6490000\n"
            "4,1,\"Большая\"\n13440000,6470000\n13470000,6470000\n13470000,6500000\n13440000,6500000\n");
    f.close();

    ui.fileNames = {bln};
    std::optional<ContourChartData> chart;
    withDialog([&] { chart = RunGisContourImport(nullptr, module); },
               [&](QDialog& d) {
                   auto* tree = d.findChild<QTreeWidget*>();
                   ASSERT_EQ(tree->topLevelItemCount(), 1);
                   ASSERT_EQ(tree->topLevelItem(0)->childCount(), 2);
                   EXPECT_TRUE(tree->topLevelItem(0)->child(1)->text(3).contains("Большая"));
                   tree->setCurrentItem(tree->topLevelItem(0)->child(1));
                   // The horizon has no type yet: it is chosen here first.
                   QComboBox* type = nullptr;
                   for (QComboBox* c : d.findChildren<QComboBox*>())
                       if (c->findData(4) >= 0) type = c;
                   ASSERT_NE(type, nullptr);
                   type->setCurrentIndex(type->findData(4));
                   // No system in a BLN file: asked for before anything changes.
                   QTest::mouseClick(button(d, "Импортировать"), Qt::LeftButton);
                   ASSERT_EQ(ui.boxes.size(), 1);
                   EXPECT_TRUE(ui.boxes[0].text.startsWith("В файле нет системы координат")) << ui.boxes[0].text.toStdString();
                   EXPECT_TRUE(d.isVisible());
                   edit(d, "например, EPSG:28413")->setText("EPSG:28413");
                   QTest::mouseClick(button(d, "Импортировать"), Qt::LeftButton);
               });
    ASSERT_TRUE(chart);
    EXPECT_EQ(ui.dialogTitles, QStringList{"Импорт контура из ГИС"});
    EXPECT_EQ(module.POSIB_PRODUCT_HOR.fieldByName("KONTURKOORDTYPE").asInteger(), 4);
    // Gauss-Krüger in the same zone: the numbers as the file has them, the closing point dropped.
    ASSERT_EQ(chart->series.size(), 1u);
    const QList<QPointF> expected{{13440000, 6470000}, {13470000, 6470000}, {13470000, 6500000}, {13440000, 6500000}};
    ASSERT_EQ(chart->series[0].points.size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(chart->series[0].points[i].x(), expected[i].x(), 1e-3);
        EXPECT_NEAR(chart->series[0].points[i].y(), expected[i].y(), 1e-3);
    }
    EXPECT_EQ(module.KONTUR.recordCount(), 4);

    // Out again, to GeoPackage in Gauss-Krüger zone 13.
    const QString gpkg = files.filePath("all.gpkg");
    ui.fileNames = {gpkg};
    withDialog([&] { RunGisContourExport(nullptr, module); },
               [&](QDialog& d) {
                   edit(d, "по умолчанию")->setText("EPSG:28413");
                   QTest::mouseClick(button(d, "Записать…"), Qt::LeftButton);
               });
    ASSERT_EQ(ui.boxes.size(), 2);
    EXPECT_TRUE(ui.boxes[1].text.startsWith("Записано контуров: 1 в файл «all.gpkg»")) << ui.boxes[1].text.toStdString();
    QProcess ogrinfo;
    ogrinfo.start("ogrinfo", {"-al", "-q", gpkg});
    ASSERT_TRUE(ogrinfo.waitForFinished(30000));
    const QString info = QString::fromUtf8(ogrinfo.readAllStandardOutput());
    EXPECT_TRUE(info.contains("name (String) = Ю1")) << info.toStdString();
    EXPECT_TRUE(info.contains("POLYGON ((13440000 6470000,")) << info.toStdString();
}

TEST_F(GisDialogsTest, AFileThatDoesNotReadIsSaidAndNothingChanges)
{
    addProductHorizon("Ю1");
    const QString broken = files.filePath("broken.bln");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("3,1\n1,2\n3,x\n");
    f.close();
    ui.fileNames = {broken};
    EXPECT_FALSE(RunGisContourImport(nullptr, module));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_TRUE(ui.boxes[0].text.contains("повреждён")) << ui.boxes[0].text.toStdString();
    EXPECT_EQ(module.KONTUR.recordCount(), 0);
}

} // namespace
} // namespace talvena::test
