#include "export/flat_ods.h"

#include "export/xls_workbook.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace talvena {

namespace {

bool xmlCanCarry(char16_t u) { return u >= 0x20 ? u < 0xFFFE : (u == 0x09 || u == 0x0A || u == 0x0D); }

// The text with unrepresentable characters replaced; surrogate pairs are kept whole.
QString xmlSafe(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || !xmlCanCarry(c.unicode())) out[i] = u'?';
    }
    return out;
}

void appendAttributeText(QString& out, const QString& text)
{
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        case 0x09: out += QLatin1String("&#9;"); break;
        case 0x0A: out += QLatin1String("&#10;"); break;
        case 0x0D: out += QLatin1String("&#13;"); break;
        default: out += c;
        }
    }
}

// Paragraph text as the format spells whitespace: a blank that follows a blank or starts the
// paragraph is a text:s, tab and line feed are elements (a CR before LF belongs to the break).
void appendParagraphText(QString& out, const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool afterBlank = true;
    while (i < n) {
        const char16_t u = text[i].unicode();
        if (u == u' ' && afterBlank) {
            qsizetype run = 0;
            while (i < n && text[i] == u' ') ++i, ++run;
            out += run == 1 ? QStringLiteral("<text:s/>") : QStringLiteral("<text:s text:c=\"%1\"/>").arg(run);
            afterBlank = true;
            continue;
        }
        afterBlank = u == u' ';
        if (u == 0x09) out += QLatin1String("<text:tab/>");
        else if (u == 0x0A) out += QLatin1String("<text:line-break/>");
        else if (u == 0x0D) {
            if (i + 1 >= n || text[i + 1] != u'\n') out += QLatin1String("<text:line-break/>");
        } else if (u == u'&') out += QLatin1String("&amp;");
        else if (u == u'<') out += QLatin1String("&lt;");
        else if (u == u'>') out += QLatin1String("&gt;");
        else out += text[i];
        ++i;
    }
}

QString numberText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString millimetres(int hundredths)
{
    if (hundredths < 0) hundredths = 0;
    return QStringLiteral("%1.%2mm").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QChar(u'0'));
}

bool used(const SheetCell& cell) { return cell.kind != SheetCell::Kind::Empty || cell.bold; }

void appendEmptyCells(QString& out, int count)
{
    if (count == 1) out += QLatin1String("<table:table-cell/>");
    else if (count > 1) out += QStringLiteral("<table:table-cell table:number-columns-repeated=\"%1\"/>").arg(count);
}

void appendCell(QString& out, const SheetCell& cell)
{
    out += QLatin1String("<table:table-cell");
    if (cell.bold) out += QLatin1String(" table:style-name=\"ceb\"");
    switch (cell.kind) {
    case SheetCell::Kind::Empty:
        out += QLatin1String("/>");
        return;
    case SheetCell::Kind::Number:
        out += QLatin1String(" office:value-type=\"float\" office:value=\"") + numberText(cell.number) + QLatin1String("\"/>");
        return;
    case SheetCell::Kind::Text: {
        const QString text = xmlSafe(cell.text);
        out += QLatin1String(" office:value-type=\"string\" office:string-value=\"");
        appendAttributeText(out, text);
        out += QLatin1String("\"><text:p>");
        appendParagraphText(out, text);
        out += QLatin1String("</text:p></table:table-cell>");
        return;
    }
    }
}

} // namespace

QByteArray BuildFlatOds(const SheetDocument& document)
{
    QString out;
    out.reserve(1024 + document.rowCount() * 64);
    out += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                         " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
                         " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
                         " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
                         " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
                         " office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
                         "<office:automatic-styles>\n");

    // One column style per distinct width.
    const auto& widths = document.columnWidths();
    std::map<int, int> styleOfWidth;
    for (size_t c = 1; c < widths.size(); ++c) {
        if (!widths[c] || styleOfWidth.count(*widths[c])) continue;
        const int style = static_cast<int>(styleOfWidth.size()) + 1;
        styleOfWidth[*widths[c]] = style;
        out += QStringLiteral("<style:style style:name=\"co%1\" style:family=\"table-column\">"
                              "<style:table-column-properties style:column-width=\"%2\"/></style:style>\n")
                   .arg(style)
                   .arg(millimetres(*widths[c]));
    }
    out += QLatin1String("<style:style style:name=\"ceb\" style:family=\"table-cell\"><style:text-properties"
                         " fo:font-weight=\"bold\" style:font-weight-asian=\"bold\" style:font-weight-complex=\"bold\"/>"
                         "</style:style>\n"
                         "</office:automatic-styles>\n"
                         "<office:body><office:spreadsheet><table:table table:name=\"");
    appendAttributeText(out, kXlsSheetName);
    out += QLatin1String("\">\n");

    for (size_t c = 1; c < widths.size(); ++c) {
        if (widths[c]) out += QStringLiteral("<table:table-column table:style-name=\"co%1\"/>").arg(styleOfWidth[*widths[c]]);
        else out += QLatin1String("<table:table-column/>");
    }
    if (widths.size() <= 1) out += QLatin1String("<table:table-column/>"); // a table has at least one column
    out += u'\n';

    int emptyRows = 0;
    auto flushEmptyRows = [&] {
        if (emptyRows == 1) out += QLatin1String("<table:table-row><table:table-cell/></table:table-row>\n");
        else if (emptyRows > 1)
            out += QStringLiteral("<table:table-row table:number-rows-repeated=\"%1\"><table:table-cell/></table:table-row>\n")
                       .arg(emptyRows);
        emptyRows = 0;
    };
    for (int r = 1; r <= document.rowCount(); ++r) {
        const std::vector<SheetCell>& cells = document.row(r);
        if (std::none_of(cells.begin(), cells.end(), used)) {
            ++emptyRows;
            continue;
        }
        flushEmptyRows();
        out += QLatin1String("<table:table-row>");
        int emptyCells = 0;
        for (const SheetCell& cell : cells) {
            if (!used(cell)) {
                ++emptyCells;
                continue;
            }
            appendEmptyCells(out, emptyCells);
            emptyCells = 0;
            appendCell(out, cell);
        }
        out += QLatin1String("</table:table-row>\n");
    }
    if (document.rowCount() == 0) out += QLatin1String("<table:table-row><table:table-cell/></table:table-row>\n");
    out += QLatin1String("</table:table></office:spreadsheet></office:body></office:document>\n");
    return out.toUtf8();
}

} // namespace talvena
