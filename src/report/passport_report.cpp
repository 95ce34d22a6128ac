#include "report/passport_report.h"

#include "base/atomic_file.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "export/cell_texts.h"
#include "export/export_layouts.h"
#include "model/attachment_store.h"
#include "model/contour_collection.h"
#include "model/coordinates.h"
#include "model/data_module.h"
#include "table/filter_pause.h"
#include "model/resources.h"
#include "report/contour_map.h"
#include "report/simulated_resources.h"
#include "storage/gzip.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPdfWriter>

#include <cstring>

namespace talvena {

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }
QString text(const QByteArray& cp1251) { return cp1251ToUnicode(cp1251); }

// Larger attachments are listed but not drawn.
constexpr qint64 kMaxFigureBytes = 64 << 20;

// The DejaVu fonts the project installs; added by file when the font database does not list them
// (a minimal system without fontconfig's configuration).
void ensureReportFont()
{
    static bool done = false;
    if (done) return;
    done = true;
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) return;
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/") + QLatin1String(file));
}

class PassportReport {
public:
    PassportReport(TDataModule2& dm, const PassportReportOptions& options, ReportLayout& layout)
        : dm_(dm), options_(options), layout_(layout)
    {
    }

    void build()
    {
        dm_.CommitPendingEdits();
        // The report walks every record; the pages must show what they showed before it.
        const FilterPause allHorizons(dm_.POSIB_PRODUCT_HOR);
        const FilterPause allReflecting(dm_.REFLECT_HORIZONTS);
        totals_ = ComputeGeologyTotals(dm_.POSIB_PRODUCT_HOR, dm_.REFLECT_HORIZONTS);
        titlePage();
        bool resourcesDone = false;
        for (const ExportTableDecl& table : ExportTables()) {
            const QString title = u(table.title);
            switch (table.kind) {
            case ExportTableKind::Parameters: parameters(table, title); break;
            case ExportTableKind::List: list(table, title); break;
            case ExportTableKind::Contours:
                simulated();
                resourcesDone = true;
                AddContourMaps(layout_, title, CollectContours(dm_.POSIB_PRODUCT_HOR, dm_.KONTUR),
                               [this](int type) { return coordinateTypeName(type); });
                break;
            case ExportTableKind::TitleOnly:
                portrait();
                layout_.heading(title);
                layout_.paragraph(u("Раздел пока в разработке: данных для печати нет."));
                break;
            }
        }
        if (!resourcesDone) simulated();
        attachments();
    }

private:
    void portrait()
    {
        if (layout_.landscape()) layout_.newPage(false);
    }

    QString fieldText(const char* field)
    {
        for (const ExportTableDecl& table : ExportTables())
            for (const ParameterRow& row : table.rows)
                if (row.field && std::strcmp(row.field, field) == 0)
                    return text(ParameterValueText(row, dm_, totals_)).trimmed();
        return {};
    }

    void titlePage()
    {
        layout_.newPage(false);
        const QRectF area = layout_.area();
        layout_.skip(area.height() * 0.22);
        auto centred = [&](const QString& line, ReportFont f) {
            const double h = layout_.textHeight(f, area.width(), line);
            layout_.text(QRectF(area.left(), layout_.y(), area.width(), h), line, f,
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
            layout_.skip(h + layout_.mm(3));
        };
        centred(u("ПАСПОРТ"), ReportFont::Title);
        centred(u("подготовленного объекта"), ReportFont::Subtitle);
        layout_.skip(layout_.mm(6));
        const QString name = text(dm_.PASPORTS.fieldByName("OBJECTNAME").asString()).trimmed();
        centred(name.isEmpty() ? u("(объект без названия)") : name, ReportFont::Title);
        layout_.skip(layout_.mm(12));

        QString subject;
        for (const char* field : {"REPUBLIC_ID", "KRAI_ID", "OBLAST_ID"})
            if (subject.isEmpty()) subject = fieldText(field);
        const QString started = fieldText("STARTPREPARATIONYEAR"), ended = fieldText("ENDPREPARATIONYEAR");
        QString years = started.isEmpty() && ended.isEmpty() ? QString()
                                                             : (started.isEmpty() ? u("—") : started) + u(" – ") +
                                                                   (ended.isEmpty() ? u("—") : ended);
        layout_.pairs({
            {u("Федеральный округ"), fieldText("FEDERALOKRUG_ID")},
            {u("Субъект Российской Федерации"), subject},
            {u("Нефтегазоносная область"), fieldText("GEO_OBLAST_ID")},
            {u("Нефтегазоносный район"), fieldText("GEO_RAION_ID")},
            {u("Год выявления"), fieldText("SHOWINGUPYEAR")},
            {u("Годы подготовки"), years},
            {u("Год включения в фонд подготовленных объектов"), fieldText("PREPAREDFUNDYEAR")},
            {u("Организация, подготовившая объект"), fieldText("PREPARATIONORGANIZATION")},
        });
        layout_.skip(layout_.mm(10));
        centred(u("Дата печати: ") + options_.printingDate.toString(QStringLiteral("dd.MM.yyyy")), ReportFont::Body);
        onTitlePage_ = true;
    }

    void parameters(const ExportTableDecl& table, const QString& title)
    {
        // Short sections follow each other on a page; the title page stands alone.
        portrait();
        if (onTitlePage_) layout_.newPage(false);
        onTitlePage_ = false;
        layout_.heading(title);
        std::vector<ReportPair> rows;
        for (const ParameterRow& row : table.rows) {
            const QString caption = u(ParameterLabel(row)).simplified();
            if (row.value == ParameterValue::Section) rows.push_back({caption, {}, true});
            else rows.push_back({caption, text(ParameterValueText(row, dm_, totals_)).trimmed()});
        }
        layout_.pairs(rows, title + u(" (продолжение)"));
    }

    void list(const ExportTableDecl& table, const QString& title)
    {
        const ListSource listed = FindListSource(table, dm_, options_.layouts);
        RecordTable* source = &listed.table;
        QStringList titles;
        std::vector<const Field*> fields;
        for (const GridLayouts::Column& c : listed.columns) {
            if (c.hidden) continue;
            const GridColumnDecl& column = listed.grid.columns[size_t(c.declared)];
            titles << u(column.title).simplified();
            fields.push_back(&source->fieldByName(column.field));
        }
        std::vector<QStringList> rows;
        rows.reserve(size_t(source->visibleCount()));
        for (int position = 0; position < source->visibleCount(); ++position) {
            const uint32_t stored = source->visibleRow(position);
            QStringList cells;
            for (const Field* f : fields) cells << text(f->defaultText(source->rowValue(stored, *f), true)).trimmed();
            rows.push_back(std::move(cells));
        }
        // The table's heading goes where the table begins, landscape or not.
        layout_.newPage(layout_.needsLandscape(titles, rows));
        layout_.heading(title);
        if (rows.empty()) {
            layout_.table(titles, {}, true);
            layout_.paragraph(u("Записей нет."), ReportFont::Small);
        } else {
            layout_.table(titles, rows, true);
        }
    }

    void simulated()
    {
        if (options_.simulation)
            AddSimulatedResources(layout_, *options_.simulation, dm_.POSIB_PRODUCT_HOR.storedCount());
    }

    QString coordinateTypeName(int type) const { return text(CoordinateTypeName(dm_.TCoords, type)); }

    void attachments()
    {
        portrait();
        layout_.newPage(false);
        layout_.heading(u("Приложения"));
        RecordTable& files = dm_.FILES;
        const Field& name = files.fieldByName("NAME");
        const Field& content = files.fieldByName("CONTENT");
        const Field& description = files.fieldByName("DESCRIPTION");
        std::vector<QStringList> rows;
        struct Figure {
            QString name, comment;
            uint32_t row;
        };
        std::vector<Figure> figures;
        for (int i = 0; i < files.storedCount(); ++i) {
            const uint32_t row = files.storedRow(i);
            const QString stored = text(files.rowBytes(row, name)).trimmed();
            const QString comment = text(files.rowBytes(row, description)).trimmed();
            const qsizetype size = files.rowIsNull(row, content) ? 0 : files.rowBytes(row, content).size();
            rows.push_back({QString::number(i + 1), stored, comment, QString::number((size + 1023) / 1024)});
            const QString suffix = QFileInfo(stored).suffix().toLower();
            if (size > 0 && (suffix == u("png") || suffix == u("jpg") || suffix == u("jpeg")))
                figures.push_back({stored, comment, row});
        }
        if (rows.empty()) {
            layout_.paragraph(u("Приложений нет."));
            return;
        }
        layout_.table({u("№"), u("Файл"), u("Комментарий"), u("Размер в паспорте, КБ")}, rows, false);
        int number = 0;
        for (const Figure& f : figures) {
            QByteArray bytes;
            const int status = DecompressGzip(files.rowBytes(f.row, content), bytes, kMaxFigureBytes);
            QImage image;
            if (status == GzipOk) image.loadFromData(bytes);
            QString caption = u("Рисунок %1. %2").arg(++number).arg(f.name);
            if (!f.comment.isEmpty()) caption += u(" — ") + f.comment;
            if (image.isNull()) layout_.paragraph(caption + u(" (изображение не читается)"), ReportFont::Small);
            else layout_.figure(image, caption);
        }
    }

    TDataModule2& dm_;
    const PassportReportOptions& options_;
    ReportLayout& layout_;
    GeologyTotals totals_;
    bool onTitlePage_ = false;
};

} // namespace

QString PassportReportTitle(TDataModule2& dm)
{
    const QString name = cp1251ToUnicode(dm.PASPORTS.fieldByName("OBJECTNAME").asString()).trimmed();
    return QStringLiteral("Паспорт объекта ") + (name.isEmpty() ? QStringLiteral("(без названия)") : name);
}

std::vector<ReportPage> LayOutPassport(TDataModule2& dm, const QPagedPaintDevice&, const PassportReportOptions& options,
                                       ReportLayout& layout)
{
    ensureReportFont();
    PassportReport(dm, options, layout).build();
    return layout.pages();
}

void PrintPassport(TDataModule2& dm, QPagedPaintDevice& device, const PassportReportOptions& options)
{
    ensureReportFont();
    ReportLayout layout(device);
    const std::vector<ReportPage> pages = LayOutPassport(dm, device, options, layout);
    PaintReport(pages, device, PassportReportTitle(dm), layout, options.turnLandscapePages);
}

void WritePassportPdf(TDataModule2& dm, const QString& path, const PassportReportOptions& options)
{
    AtomicFile file(path, AtomicFile::LinkPolicy::WriteLinkTarget);
    file.openForWriting();
    {
        QPdfWriter writer(&file);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("Talvena"));
        writer.setTitle(PassportReportTitle(dm));
        PrintPassport(dm, writer, options);
    }
    file.commit();
}

} // namespace talvena
