#include "app/print_commands.h"

#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "model/grid_decl.h"
#include "report/passport_report.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace talvena {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString suggestedPdfName(TDataModule2& dm)
{
    const QString passport = dm.state().fileName();
    QString name = cp1251ToUnicode(dm.PASPORTS.fieldByName("OBJECTNAME").asString()).trimmed();
    if (name.isEmpty()) name = QFileInfo(passport).completeBaseName();
    if (name.isEmpty()) name = QStringLiteral("Паспорт");
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString folder = passport.isEmpty() ? QDir::homePath() : QFileInfo(passport).absolutePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

} // namespace

void PrintPassportWithPreview(QWidget* parent, TDataModule2& dm, const GridLayouts& layouts,
                              const SimulationRun* simulation)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true); // the document keeps its own margins
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(PassportReportTitle(dm));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("Предварительный просмотр — ") + PassportReportTitle(dm));
    preview.resize(1000, 800);
    PassportReportOptions options;
    options.layouts = &layouts;
    options.simulation = simulation;
    options.turnLandscapePages = true; // the preview keeps one orientation for the whole job
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
        // Exceptions stop here: the preview shows what was painted and the user is told.
        try {
            WaitCursor wait;
            target->setFullPage(true);
            PrintPassport(dm, *target, options);
        } catch (const std::exception& e) {
            userInteraction().showError(QStringLiteral("Не удалось подготовить паспорт к печати. ") +
                                        QString::fromUtf8(e.what()));
        }
    });
    preview.exec();
}

bool SavePassportAsPdf(TDataModule2& dm, const GridLayouts& layouts, UserInteraction& ui,
                       const SimulationRun* simulation)
{
    const QString path = ui.saveFileName(QStringLiteral("Сохранить паспорт в PDF"),
                                         QStringLiteral("Документ PDF (*.pdf)"), suggestedPdfName(dm),
                                         QStringLiteral("pdf"));
    if (path.isEmpty()) return false;
    PassportReportOptions options;
    options.layouts = &layouts;
    options.simulation = simulation;
    try {
        WaitCursor wait;
        WritePassportPdf(dm, path, options);
    } catch (const FileError& e) {
        ui.showError(QStringLiteral("Не удалось записать файл \"%1\". %2")
                         .arg(QDir::toNativeSeparators(e.path()), e.reason().isEmpty() ? QString::fromUtf8(e.what()) : e.reason()));
        return false;
    } catch (const std::exception& e) {
        ui.showError(QStringLiteral("Не удалось записать файл \"%1\". %2")
                         .arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}

} // namespace talvena
