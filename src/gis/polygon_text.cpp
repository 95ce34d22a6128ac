#include "gis/polygon_text.h"

#include "base/error.h"

#include <QFileInfo>
#include <QList>

#include <cmath>
#include <string>

namespace talvena::gis {

namespace {

bool isSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == ';'; }

QList<QByteArray> fieldsOf(const QByteArray& line)
{
    QList<QByteArray> out;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i])) ++i;
        if (i == line.size()) break;
        const qsizetype start = i;
        if (line[i] == '"') { // a quoted BLN name keeps its separators
            const qsizetype end = line.indexOf('"', i + 1);
            const qsizetype stop = end < 0 ? line.size() : end;
            out.append(line.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        while (i < line.size() && !isSeparator(line[i])) ++i;
        out.append(line.mid(start, i - start));
    }
    return out;
}

bool toNumber(const QByteArray& text, double& out)
{
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

class Lines {
public:
    Lines(const QString& path, const QByteArray& content) : path_(path), lines_(content.split('\n')) {}
    bool next(QByteArray& line)
    {
        while (index_ < lines_.size()) {
            line = lines_[index_++].trimmed();
            if (!line.isEmpty()) return true;
        }
        return false;
    }
    [[noreturn]] void fail() const
    {
        throw Error(formatMessage("Файл «%s» повреждён: строка %s не читается как координаты контура.",
                                  {QFileInfo(path_).fileName().toStdString(), std::to_string(index_)}));
    }
    // x and y from the first two fields; false when the line has fewer, throws when they are not numbers.
    QPointF point(const QByteArray& line, QList<QByteArray>* fields = nullptr) const
    {
        const QList<QByteArray> f = fieldsOf(line);
        double x, y;
        if (f.size() < 2 || !toNumber(f[0], x) || !toNumber(f[1], y)) fail();
        if (fields) *fields = f;
        return {x, y};
    }

private:
    QString path_;
    QList<QByteArray> lines_;
    qsizetype index_ = 0;
};

void addPart(GisLayer& layer, std::vector<QPointF> points, const QString& name = {})
{
    if (points.size() > 1 && points.front() == points.back()) points.pop_back();
    if (points.empty()) return;
    GisFeature f;
    f.id = static_cast<qint64>(layer.features.size());
    f.geometryType = points.size() >= 3 ? QStringLiteral("Polygon") : QStringLiteral("LineString");
    if (!name.isNull()) f.attributes.append({QStringLiteral("name"), name});
    f.parts.push_back(std::move(points));
    layer.features.push_back(std::move(f));
}

void readBln(Lines& lines, GisLayer& layer)
{
    QByteArray line;
    while (lines.next(line)) {
        const QList<QByteArray> header = fieldsOf(line);
        bool ok = false;
        const int count = header.isEmpty() ? 0 : header[0].toInt(&ok);
        if (!ok || count < 0) lines.fail();
        const QString name = header.size() > 2 ? QString::fromUtf8(header[2]) : QString("");
        std::vector<QPointF> points;
        points.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (!lines.next(line)) lines.fail();
            points.push_back(lines.point(line));
        }
        addPart(layer, std::move(points), name);
    }
}

void readIrap(Lines& lines, GisLayer& layer)
{
    QByteArray line;
    std::vector<QPointF> points;
    while (lines.next(line)) {
        const QPointF p = lines.point(line);
        if (p.x() == 999 && p.y() == 999) {
            addPart(layer, std::move(points));
            points = {};
        } else {
            points.push_back(p);
        }
    }
    addPart(layer, std::move(points)); // a last polygon without its end line
}

void readZmap(Lines& lines, GisLayer& layer)
{
    QByteArray line;
    double nullValue = 1e30;
    // Comments and the header: the second header line's second field is the null value.
    bool inHeader = false;
    int headerLine = 0;
    while (lines.next(line)) {
        if (line.startsWith('!')) continue;
        if (line.startsWith('@')) {
            if (inHeader) break; // the closing "@"
            inHeader = true;
            headerLine = 0;
            continue;
        }
        if (!inHeader) lines.fail();
        if (++headerLine == 1) {
            const QList<QByteArray> f = fieldsOf(line);
            double v;
            if (f.size() > 1 && toNumber(f[1], v)) nullValue = v;
        }
    }
    auto isNull = [&](double v) { return std::abs(v) >= 1e29 || std::abs(v - nullValue) <= 1e-6 * std::max(1.0, std::abs(nullValue)); };
    std::vector<QPointF> points;
    QByteArray segment;
    while (lines.next(line)) {
        if (line.startsWith('!')) continue;
        QList<QByteArray> f;
        const QPointF p = lines.point(line, &f);
        const QByteArray seg = f.size() > 3 ? f[3] : QByteArray();
        if (isNull(p.x()) || isNull(p.y())) {
            addPart(layer, std::move(points));
            points = {};
            continue;
        }
        if (!points.empty() && seg != segment) {
            addPart(layer, std::move(points));
            points = {};
        }
        segment = seg;
        points.push_back(p);
    }
    addPart(layer, std::move(points));
}

} // namespace

std::optional<PolygonTextKind> DetectPolygonText(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == "bln") return PolygonTextKind::Bln;
    if (ext == "irap" || ext == "rms" || ext == "pol") return PolygonTextKind::Irap;
    if (ext == "zmap" || ext == "zmp") return PolygonTextKind::Zmap;
    return std::nullopt;
}

std::optional<PolygonTextKind> DetectPolygonTextByContent(const QByteArray& head)
{
    const QByteArray first = head.trimmed();
    if (first.startsWith('!') || first.startsWith('@')) return PolygonTextKind::Zmap;
    const QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty()) return std::nullopt;
    const QList<QByteArray> f = fieldsOf(lines[0].trimmed());
    bool countOk = false;
    if (f.size() >= 2 && f.size() <= 3) {
        f[0].toInt(&countOk);
        double v;
        if (countOk && f.size() == 2 && !f[1].contains('.') && toNumber(f[1], v)) return PolygonTextKind::Bln;
        if (countOk && f.size() == 3 && !toNumber(f[2], v)) return PolygonTextKind::Bln;
    }
    if (head.contains("999.000000 999.000000") || head.contains("999 999 999")) return PolygonTextKind::Irap;
    return std::nullopt;
}

GisFile ReadPolygonText(PolygonTextKind kind, const QString& path, const QByteArray& content)
{
    GisFile file;
    GisLayer layer;
    layer.name = QFileInfo(path).completeBaseName();
    Lines lines(path, content);
    switch (kind) {
    case PolygonTextKind::Bln:
        file.format = QStringLiteral("Surfer BLN");
        readBln(lines, layer);
        break;
    case PolygonTextKind::Irap:
        file.format = QStringLiteral("IRAP/RMS");
        readIrap(lines, layer);
        break;
    case PolygonTextKind::Zmap:
        file.format = QStringLiteral("ZMAP+");
        readZmap(lines, layer);
        break;
    }
    file.layers.push_back(std::move(layer));
    return file;
}

} // namespace talvena::gis
