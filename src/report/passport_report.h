#pragma once
// The printed passport: a title page, the sections of the passport's pages as caption-and-value
// tables, the horizon tables with the grids' columns, the resources, the contour map and the
// attachments. The window (printing, preview, "Сохранить в PDF…") and talvena-psp share it; it
// needs a QGuiApplication (the offscreen platform will do) but no window.
#include "model/grid_decl.h"
#include "model/resource_simulation.h"
#include "report/report_layout.h"

#include <QDate>
#include <QString>

#include <vector>

class QPagedPaintDevice;

namespace talvena {

class TDataModule2;

struct PassportReportOptions {
    QDate printingDate = QDate::currentDate();
    // The grids' column order and hidden columns as the window shows them; nullptr: as declared.
    const GridLayouts* layouts = nullptr;
    // The resources by simulation to print with the passport's resources; nullptr: none.
    const SimulationRun* simulation = nullptr;
    // Printers and the print preview: landscape pages drawn turned on portrait sheets.
    bool turnLandscapePages = false;
};

// Lays the current passport out for the device. Commits pending edits first; the productive
// horizons' filter is switched off and the tables stand on their first records afterwards, as
// after the Geology totals.
std::vector<ReportPage> LayOutPassport(TDataModule2& dm, const QPagedPaintDevice& device,
                                       const PassportReportOptions& options, ReportLayout& layout);

// Lays out and paints the passport on a paged device (a printer or the preview's printer).
void PrintPassport(TDataModule2& dm, QPagedPaintDevice& device, const PassportReportOptions& options = {});

// Writes the passport as an A4 PDF/A-1b document with embedded fonts, completely or not at all:
// a failed write keeps the file that was there. Throws the file error.
void WritePassportPdf(TDataModule2& dm, const QString& path, const PassportReportOptions& options = {});

// The title of the document: "Паспорт объекта " + the object name.
QString PassportReportTitle(TDataModule2& dm);

} // namespace talvena
