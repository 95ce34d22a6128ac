#include "table/cell_block.h"

#include <QHash>
#include <QMimeData>
#include <QRegularExpression>
#include <algorithm>

namespace talvena {

int CellBlock::width() const
{
    qsizetype widest = 0;
    for (const QStringList& r : rows) widest = std::max(widest, r.size());
    return static_cast<int>(widest);
}

QString CellBlock::cell(int row, int column) const
{
    if (row < 0 || row >= height()) return {};
    const QStringList& r = rows[static_cast<size_t>(row)];
    return column >= 0 && column < r.size() ? r[column] : QString();
}

// --- tab-separated text -----------------------------------------------------------------------------

namespace {

bool endsCell(QChar c) { return c == u'\t' || c == u'\r' || c == u'\n'; }

// A quoted cell starting at `i` (on its opening quote): its text and the index after the closing
// quote, or false when the quote does not close right before a cell's end (then the quote is text).
bool quotedCell(const QString& text, qsizetype i, QString& out, qsizetype& after)
{
    QString value;
    for (qsizetype j = i + 1; j < text.size(); ++j) {
        if (text[j] != u'"') {
            value += text[j];
            continue;
        }
        if (j + 1 < text.size() && text[j + 1] == u'"') {
            value += u'"';
            ++j;
            continue;
        }
        if (j + 1 < text.size() && !endsCell(text[j + 1])) return false;
        out = std::move(value);
        after = j + 1;
        return true;
    }
    return false;
}

} // namespace

CellBlock ReadTabText(const QString& text)
{
    CellBlock block;
    QStringList row;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        QString cell;
        qsizetype after = i;
        if (text[i] == u'"' && quotedCell(text, i, cell, after)) {
            i = after;
        } else {
            qsizetype end = i;
            while (end < n && !endsCell(text[end])) ++end;
            cell = text.mid(i, end - i);
            i = end;
        }
        row.append(std::move(cell));
        if (i >= n) break;
        if (text[i] == u'\t') {
            ++i;
            if (i == n) row.append(QString()); // a tab at the very end leaves an empty last cell
            continue;
        }
        // A line break ends the row.
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        ++i;
        block.rows.push_back(std::move(row));
        row = QStringList();
    }
    if (!row.isEmpty()) block.rows.push_back(std::move(row));
    return block;
}

QString WriteTabText(const CellBlock& block)
{
    QString out;
    for (const QStringList& r : block.rows) {
        for (qsizetype c = 0; c < r.size(); ++c) {
            if (c > 0) out += u'\t';
            const QString& cell = r[c];
            const bool quote = cell.startsWith(u'"') ||
                               std::any_of(cell.begin(), cell.end(), [](QChar ch) { return endsCell(ch); });
            if (!quote) {
                out += cell;
                continue;
            }
            out += u'"';
            for (QChar ch : cell) {
                if (ch == u'"') out += u'"';
                out += ch;
            }
            out += u'"';
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

// --- HTML tables -----------------------------------------------------------------------------------

namespace {

const QHash<QString, QChar>& namedEntities()
{
    static const QHash<QString, QChar> entities{
        {QStringLiteral("amp"), u'&'},     {QStringLiteral("lt"), u'<'},      {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'},    {QStringLiteral("apos"), u'\''},   {QStringLiteral("nbsp"), QChar(0xA0)},
        {QStringLiteral("laquo"), QChar(0xAB)}, {QStringLiteral("raquo"), QChar(0xBB)},
        {QStringLiteral("ndash"), QChar(0x2013)}, {QStringLiteral("mdash"), QChar(0x2014)},
        {QStringLiteral("deg"), QChar(0xB0)}, {QStringLiteral("minus"), QChar(0x2212)},
        {QStringLiteral("hellip"), QChar(0x2026)}, {QStringLiteral("numero"), QChar(0x2116)},
    };
    return entities;
}

// Appends the character a reference at `i` (on '&') stands for and returns the index after it; a
// text that is no reference is kept as it is.
qsizetype appendReference(const QString& html, qsizetype i, QString& out)
{
    const qsizetype semicolon = html.indexOf(u';', i + 1);
    if (semicolon < 0 || semicolon - i > 12) {
        out += u'&';
        return i + 1;
    }
    const QString name = html.mid(i + 1, semicolon - i - 1);
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                                  : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t cp = code;
            out += QString::fromUcs4(&cp, 1);
            return semicolon + 1;
        }
    } else if (const auto it = namedEntities().constFind(name.toLower()); it != namedEntities().constEnd()) {
        out += *it;
        return semicolon + 1;
    }
    out += u'&';
    return i + 1;
}

// The tag at `i` (on '<'): its lower-case name ("/td" for an end tag), its attribute text, and
// the index after '>'.
struct Tag {
    QString name;
    QString attributes;
    qsizetype after = 0;
};

Tag readTag(const QString& html, qsizetype i)
{
    Tag tag;
    qsizetype j = i + 1;
    const qsizetype n = html.size();
    if (j < n && html[j] == u'/') {
        tag.name += u'/';
        ++j;
    }
    while (j < n && (html[j].isLetterOrNumber() || html[j] == u':')) tag.name += html[j++].toLower();
    const qsizetype attrStart = j;
    QChar quote;
    while (j < n) {
        const QChar c = html[j];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            break;
        }
        ++j;
    }
    tag.attributes = html.mid(attrStart, j - attrStart);
    tag.after = std::min(j + 1, n);
    return tag;
}

int colspanOf(const QString& attributes)
{
    const qsizetype at = attributes.indexOf(QStringLiteral("colspan"), 0, Qt::CaseInsensitive);
    if (at < 0) return 1;
    qsizetype j = at + 7;
    while (j < attributes.size() && (attributes[j] == u'=' || attributes[j] == u'"' || attributes[j] == u'\'' ||
                                     attributes[j].isSpace()))
        ++j;
    qsizetype end = j;
    while (end < attributes.size() && attributes[end].isDigit()) ++end;
    const int span = attributes.mid(j, end - j).toInt();
    return std::clamp(span, 1, 1000);
}

// Cell text as a browser shows it: white space collapsed, trimmed, line breaks kept.
QString tidyCell(const QString& raw)
{
    QString out;
    bool space = false;
    for (QChar c : raw) {
        if (c == QChar(0x2028)) { // a <br> marker
            while (out.endsWith(u' ')) out.chop(1);
            out += u'\n';
            space = false;
            continue;
        }
        if (c.isSpace() && c != QChar(0xA0)) {
            space = !out.isEmpty() && !out.endsWith(u'\n');
            continue;
        }
        if (space) out += u' ';
        space = false;
        out += c == QChar(0xA0) ? QChar(u' ') : c;
    }
    return out;
}

} // namespace

CellBlock ReadHtmlTable(const QString& html)
{
    CellBlock block;
    const qsizetype n = html.size();
    qsizetype i = 0;
    int tableDepth = 0;
    bool inRow = false, inCell = false, done = false;
    QStringList row;
    QString cell;
    int span = 1;
    auto endCell = [&] {
        if (!inCell) return;
        row.append(tidyCell(cell));
        for (int k = 1; k < span; ++k) row.append(QString());
        cell.clear();
        inCell = false;
    };
    auto endRow = [&] {
        endCell();
        if (inRow) block.rows.push_back(std::move(row));
        row = QStringList();
        inRow = false;
    };
    while (i < n && !done) {
        const QChar c = html[i];
        if (c == u'<') {
            if (html.mid(i, 4) == QStringLiteral("<!--")) {
                const qsizetype end = html.indexOf(QStringLiteral("-->"), i + 4);
                i = end < 0 ? n : end + 3;
                continue;
            }
            const Tag tag = readTag(html, i);
            i = tag.after;
            if (tag.name == u"style" || tag.name == u"script") {
                const qsizetype end = html.indexOf(QStringLiteral("</") + tag.name, i, Qt::CaseInsensitive);
                i = end < 0 ? n : readTag(html, end).after;
                continue;
            }
            if (tag.name == u"table") {
                ++tableDepth;
            } else if (tag.name == u"/table") {
                if (tableDepth == 1) {
                    endRow();
                    done = true;
                }
                tableDepth = std::max(0, tableDepth - 1);
            } else if (tableDepth == 1 && tag.name == u"tr") {
                endRow();
                inRow = true;
            } else if (tableDepth == 1 && tag.name == u"/tr") {
                endRow();
            } else if (tableDepth == 1 && (tag.name == u"td" || tag.name == u"th")) {
                endCell();
                inRow = true;
                inCell = true;
                span = colspanOf(tag.attributes);
            } else if (tableDepth == 1 && (tag.name == u"/td" || tag.name == u"/th")) {
                endCell();
            } else if (inCell && (tag.name == u"br" || tag.name == u"/p" || tag.name == u"/div")) {
                cell += QChar(0x2028);
            }
            continue;
        }
        if (c == u'&') {
            if (inCell) i = appendReference(html, i, cell);
            else ++i;
            continue;
        }
        if (inCell) cell += c;
        ++i;
    }
    if (!done) endRow();
    // Trailing line breaks of a cell (a closing paragraph) are not part of its text.
    for (QStringList& r : block.rows)
        for (QString& t : r)
            while (t.endsWith(u'\n')) t.chop(1);
    return block;
}

// The text as a number in the C locale's form ("-12.5", "1e-05"), or empty when it is not one:
// coordinates in degrees and minutes, list names and the like stay text.
static QString PlainNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    return number.match(trimmed).hasMatch() ? trimmed : QString();
}

QString WriteHtmlTable(const CellBlock& block)
{
    QString out = QStringLiteral(
        "<html xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><head>"
        "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"></head><body>"
        "<table>\n");
    for (const QStringList& r : block.rows) {
        out += QStringLiteral("<tr>");
        for (qsizetype c = 0; c < r.size(); ++c) {
            const QString& cell = r[c];
            const QString value = block.numeric(int(c)) ? PlainNumber(cell) : QString();
            if (value.isEmpty())
                out += QStringLiteral("<td>");
            else
                // sdnum names the language sdval is written in (English, with a point); LibreOffice
                // reads sdval in its own locale's form without it, and gives the cell its own format.
                out += QStringLiteral("<td sdval=\"%1\" sdnum=\"1033;\" x:num=\"%1\">").arg(value);
            QString escaped = cell.toHtmlEscaped();
            escaped.replace(u'\n', QStringLiteral("<br>"));
            out += escaped;
            out += QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table></body></html>");
    return out;
}

// --- the clipboard -----------------------------------------------------------------------------------

CellBlock ReadClipboardBlock(const QMimeData& data)
{
    if (data.hasText() && !data.text().isEmpty()) return ReadTabText(data.text());
    if (data.hasHtml()) return ReadHtmlTable(data.html());
    return {};
}

void WriteClipboardBlock(const CellBlock& block, QMimeData& data)
{
    data.setText(WriteTabText(block));
    data.setHtml(WriteHtmlTable(block));
}

} // namespace talvena
