// "Файлы → Сохранить в PDF…" and "Файлы → Печать…" in the real window over the example passport:
// the document read back by poppler's pdftotext, the window's last simulation printed only while the
// horizons are as it saw them, a write that fails, and the print preview with its pages.
#include "app/passport_lifecycle.h"
#include "dialogs/resource_simulation_dialog.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace talvena;
using namespace talvena::testing;

namespace {

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-raw", "-enc", "UTF-8", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

class PrintCommandsTest : public WindowTest {
protected:
    std::unique_ptr<PassportLifecycle> life;
    QTemporaryDir out;

    void SetUp() override
    {
        WindowTest::SetUp();
        life = std::make_unique<PassportLifecycle>(*window, *dm, ui);
        window->setCommands(life.get());
        life->openPassport(TALVENA_EXAMPLE_PASSPORT);
        settle();
        ui.clear();
        ui.defaultAnswer = BoxAnswer::No; // the passport check's offer: go on without looking
    }
    void TearDown() override
    {
        window->setCommands(nullptr);
        life.reset();
        WindowTest::TearDown();
    }

    // "Сохранить в PDF…" answered with `path`; the texts of the boxes other than the check's offer.
    QStringList saveAsPdf(const QString& path)
    {
        ui.clear();
        ui.fileNames = {path};
        window->menuAction("SavePdfAction")->trigger();
        settle();
        QStringList shown;
        for (const ScriptedInteraction::Box& b : ui.boxes)
            if (!b.text.startsWith(u("Проверка паспорта нашла"))) shown << b.text;
        return shown;
    }

    // Runs a simulation of every horizon from the oil page's button as the user would; the run's
    // oil total P90 as the dialog shows it.
    QString simulateFromThePage()
    {
        QString p90;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<ResourceSimulationDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* scope = dialog->findChild<QComboBox*>("SimulationScope");
            scope->setCurrentIndex(scope->count() - 1);
            dialog->findChild<QSpinBox*>("SimulationTrials")->setValue(4000);
            dialog->start();
            for (int i = 0; i < 6000 && dialog->running(); ++i) {
                QCoreApplication::processEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            QCoreApplication::processEvents();
            if (const SimulationRun* run = dialog->lastRun(); run && run->totals[size_t(SimTotal::Oil)])
                p90 = SimulationNumberText(run->totals[size_t(SimTotal::Oil)]->p90);
            dialog->reject();
        });
        find<QPushButton>("SimulateResources8")->click();
        settle();
        return p90;
    }
};

} // namespace

TEST_F(PrintCommandsTest, SaveAsPdfWritesTheDocumentWithTheCurrentSimulationOnly)
{
    const QString name = cp1251ToUnicode(dm->PASPORTS.fieldByName("OBJECTNAME").asString()).trimmed();
    ASSERT_FALSE(name.isEmpty());
    const QString pdf = out.filePath(u("паспорт.pdf"));

    EXPECT_EQ(saveAsPdf(pdf), QStringList{});
    EXPECT_EQ(ui.dialogTitles, QStringList{u("Сохранить паспорт в PDF")});
    // The passport's folder and its object's name are proposed.
    ASSERT_EQ(ui.dialogFolders.size(), 1);
    EXPECT_TRUE(ui.dialogFolders[0].endsWith(name + u(".pdf"))) << ui.dialogFolders[0].toStdString();
    QString text = pdfText(pdf);
    EXPECT_TRUE(text.startsWith(u("ПАСПОРТ"))) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains(name));
    EXPECT_TRUE(text.contains(u("Приложения")));
    EXPECT_FALSE(text.contains(u("имитационного моделирования")));

    // After a simulation the document carries its figures ...
    const QString p90 = simulateFromThePage();
    ASSERT_FALSE(p90.isEmpty());
    EXPECT_EQ(saveAsPdf(pdf), QStringList{});
    text = pdfText(pdf);
    EXPECT_TRUE(text.contains(u("имитационного моделирования")));
    EXPECT_TRUE(text.contains(u("P90 = ") + p90)) << p90.toStdString();

    // ... until a horizon changes: a stale run is not printed as the passport's.
    RecordTable& h = dm->POSIB_PRODUCT_HOR;
    h.first();
    h.edit();
    h.fieldByName("OILSQUAREMAX").setFloat(h.fieldByName("OILSQUAREMAX").asFloat() + 1);
    h.post();
    EXPECT_EQ(saveAsPdf(pdf), QStringList{});
    EXPECT_FALSE(pdfText(pdf).contains(u("имитационного моделирования")));

    // A file that cannot be written is reported and nothing is left behind.
    const QString nowhere = out.filePath(u("нет такой папки/паспорт.pdf"));
    const QStringList errors = saveAsPdf(nowhere);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(u("Не удалось записать файл"))) << errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{u("паспорт.pdf")});

    // Cancelling the file dialog writes nothing and says nothing.
    EXPECT_EQ(saveAsPdf(QString()), QStringList{});
}

TEST_F(PrintCommandsTest, PrintOpensThePreviewWithEveryPage)
{
    int pages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->objectName(), u("PrintPreview"));
        title = preview->windowTitle();
        auto* widget = preview->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(widget, nullptr);
        QCoreApplication::processEvents();
        pages = widget->pageCount();
        preview->reject();
    });
    window->menuAction("PrintAction")->trigger();
    settle();
    EXPECT_GT(pages, 10);
    EXPECT_TRUE(title.startsWith(u("Предварительный просмотр — Паспорт объекта "))) << title.toStdString();
    for (const ScriptedInteraction::Box& b : ui.boxes)
        EXPECT_TRUE(b.text.startsWith(u("Проверка паспорта нашла"))) << b.text.toStdString();
}
