#include "export/xls_workbook.h"

#include "export/compound_file.h"

#include <QHash>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace talvena {

namespace {

enum RecordType : uint16_t {
    kBof = 0x0809,
    kCodepage = 0x0042,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kEof = 0x000A,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kBlank = 0x0201,
    kWindow2 = 0x023E,
};

constexpr qsizetype kMaxPayload = 8224;
constexpr uint16_t kDefaultCellXf = 15;
constexpr uint16_t kBoldCellXf = 16;
constexpr int kRowBlock = 32;
constexpr int kDigitPixels = 7;   // width of "0" in Arial 10 pt at 96 dpi, Excel's unit of column width
constexpr int kPaddingPixels = 5; // Excel's cell padding, counted into the stored width

// Records are built in a std::string: appending single bytes to it is cheap.
class Biff {
public:
    explicit Biff(std::string& out) : out_(out) {}

    void u8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void u16(uint16_t v)
    {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        out_.append(b, 2);
    }
    void u32(uint32_t v)
    {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
        out_.append(b, 4);
    }
    void f64(double v)
    {
        const uint64_t bits = std::bit_cast<uint64_t>(v);
        u32(static_cast<uint32_t>(bits));
        u32(static_cast<uint32_t>(bits >> 32));
    }
    void bytes(std::initializer_list<uint8_t> list)
    {
        for (uint8_t b : list) u8(b);
    }

    void begin(uint16_t type)
    {
        start_ = static_cast<qsizetype>(out_.size());
        u16(type);
        u16(0);
    }
    void end()
    {
        const qsizetype length = position() - start_ - 4;
        out_[start_ + 2] = static_cast<char>(length);
        out_[start_ + 3] = static_cast<char>(length >> 8);
    }
    qsizetype room() const { return kMaxPayload - (position() - start_ - 4); }
    qsizetype offsetInRecord() const { return position() - start_; }
    qsizetype position() const { return static_cast<qsizetype>(out_.size()); }
    void patch32(qsizetype at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<char>(v >> (8 * i));
    }

    // Code units of a text, one byte each when all of them fit.
    void characters(const QString& text, bool wide, qsizetype from, qsizetype count)
    {
        const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16()) + from;
        const size_t at = out_.size();
        out_.resize(at + count * (wide ? 2 : 1));
        char* p = out_.data() + at;
        for (qsizetype i = 0; i < count; ++i) {
            *p++ = static_cast<char>(units[i]);
            if (wide) *p++ = static_cast<char>(units[i] >> 8);
        }
    }
    // A string whose length and flags precede it in one byte each (names).
    void shortString(const QString& text)
    {
        const bool wide = needsWide(text);
        u8(static_cast<uint8_t>(text.size()));
        u8(wide ? 1 : 0);
        characters(text, wide, 0, text.size());
    }

    static bool needsWide(const QString& text)
    {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
    }

private:
    std::string& out_;
    qsizetype start_ = 0;
};

void writeBof(Biff& b, uint16_t kind)
{
    b.begin(kBof);
    b.u16(0x0600);
    b.u16(kind);
    b.u16(0x0DBB);
    b.u16(0x07CC);
    b.u32(0x00000009); // written on Windows, by any Windows version
    b.u32(0x00000006);
    b.end();
}

void writeEof(Biff& b)
{
    b.begin(kEof);
    b.end();
}

void writeFont(Biff& b, bool bold)
{
    b.begin(kFont);
    b.u16(200);          // height in twips: 10 pt
    b.u16(bold ? 1 : 0); // bold (repeating the weight, as Excel does); not italic, not struck out
    b.u16(0x7FFF);       // automatic colour
    b.u16(bold ? 700 : 400);
    b.u16(0);            // no super- or subscript
    b.bytes({0, 0, 204, 0}); // no underline, family unknown, Cyrillic character set, reserved
    b.shortString(QStringLiteral("Arial"));
    b.end();
}

void writeXf(Biff& b, uint16_t font, bool style)
{
    b.begin(kXf);
    b.u16(font);
    b.u16(0);                        // number format "General"
    b.u16(style ? 0xFFF5 : 0x0001);  // locked; a style (parent FFF) or a cell on style XF 0
    b.u8(0x20);                      // aligned generally, at the bottom
    b.u8(0);                         // no rotation
    b.u8(0);                         // no indent
    b.u8(style ? 0xF4 : (font == 0 ? 0x00 : 0x08)); // a cell names the attributes it sets itself
    b.u32(0);                        // no borders
    b.u32(0);
    b.u16(0x20C0);                   // pattern colours: system foreground and background
    b.end();
}

struct StringTable {
    explicit StringTable(qsizetype expected) { index.reserve(expected); }
    std::vector<const QString*> unique;
    QHash<QStringView, uint32_t> index; // views of the document's texts, which outlive the table
    uint32_t references = 0;

    uint32_t add(const QString& s)
    {
        ++references;
        const QStringView key(s);
        const auto it = index.constFind(key);
        if (it != index.constEnd()) return it.value();
        const uint32_t i = static_cast<uint32_t>(unique.size());
        index.insert(key, i);
        unique.push_back(&s);
        return i;
    }
};

struct Bucket {
    uint32_t streamOffset;
    uint16_t recordOffset;
};

void writeSst(Biff& b, const StringTable& strings)
{
    const uint32_t count = static_cast<uint32_t>(strings.unique.size());
    const uint32_t perBucket = std::max<uint32_t>(8, (count + 127) / 128);
    std::vector<Bucket> buckets;

    b.begin(kSst);
    b.u32(strings.references);
    b.u32(count);
    for (uint32_t i = 0; i < count; ++i) {
        const QString& s = *strings.unique[i];
        const bool wide = Biff::needsWide(s);
        const qsizetype unit = wide ? 2 : 1;
        // The length and flags never split, and a string starts with at least one character.
        if (b.room() < 3 + (s.isEmpty() ? 0 : unit)) {
            b.end();
            b.begin(kContinue);
        }
        if (i % perBucket == 0)
            buckets.push_back({static_cast<uint32_t>(b.position()), static_cast<uint16_t>(b.offsetInRecord())});
        b.u16(static_cast<uint16_t>(s.size()));
        b.u8(wide ? 1 : 0);
        qsizetype written = 0;
        for (;;) {
            const qsizetype left = s.size() - written;
            qsizetype fit = b.room() / unit;
            if (fit >= left) {
                b.characters(s, wide, written, left);
                break;
            }
            if (fit > 0 && s[written + fit - 1].isHighSurrogate()) --fit; // a pair stays together
            b.characters(s, wide, written, fit);
            written += fit;
            b.end();
            b.begin(kContinue);
            b.u8(wide ? 1 : 0);
        }
    }
    b.end();

    b.begin(kExtSst);
    b.u16(static_cast<uint16_t>(perBucket));
    for (const Bucket& bucket : buckets) {
        b.u32(bucket.streamOffset);
        b.u16(bucket.recordOffset);
        b.u16(0);
    }
    b.end();
}

uint16_t storedColumnWidth(int hundredths)
{
    if (hundredths <= 0) return 0;
    const double characters = std::min(hundredths / 100.0, 255.0);
    const double stored = std::floor((characters * kDigitPixels + kPaddingPixels) / kDigitPixels * 256);
    return static_cast<uint16_t>(std::min(stored, 65535.0));
}

void writeCell(Biff& b, const SheetCell& cell, uint16_t row, uint16_t column, const std::vector<uint32_t>& sstIndex,
               size_t& nextString)
{
    const uint16_t xf = cell.bold ? kBoldCellXf : kDefaultCellXf;
    // Every cell record starts with the cell's place and format.
    const auto begin = [&](RecordType type) {
        b.begin(type);
        b.u16(row);
        b.u16(column);
        b.u16(xf);
    };
    switch (cell.kind) {
    case SheetCell::Kind::Text:
        begin(kLabelSst);
        b.u32(sstIndex[nextString++]);
        break;
    case SheetCell::Kind::Number:
        begin(kNumber);
        b.f64(cell.number);
        break;
    case SheetCell::Kind::Empty: begin(kBlank); break;
    }
    b.end();
}

bool written(const SheetCell& cell) { return cell.kind != SheetCell::Kind::Empty || cell.bold; }

} // namespace

QByteArray BuildWorkbookStream(const SheetDocument& document)
{
    // The string table first: the sheet's cells refer to it by index, in cell order.
    qsizetype texts = 0;
    for (int r = 1; r <= document.rowCount(); ++r)
        for (const SheetCell& c : document.row(r)) texts += c.kind == SheetCell::Kind::Text;
    StringTable strings(texts);
    std::vector<uint32_t> sstIndex;
    sstIndex.reserve(texts);
    int firstRow = -1, lastRow = -1, firstColumn = SheetDocument::kMaxColumns, lastColumn = -1;
    for (int r = 1; r <= document.rowCount(); ++r) {
        const std::vector<SheetCell>& cells = document.row(r);
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            if (!written(cells[c])) continue;
            if (firstRow < 0) firstRow = r - 1;
            lastRow = r - 1;
            firstColumn = std::min(firstColumn, c);
            lastColumn = std::max(lastColumn, c);
            if (cells[c].kind == SheetCell::Kind::Text) sstIndex.push_back(strings.add(cells[c].text));
        }
    }

    std::string out;
    out.reserve(4096 + sstIndex.size() * 40);
    Biff b(out);

    writeBof(b, 0x0005);
    b.begin(kCodepage);
    b.u16(1200);
    b.end();
    b.begin(kWindow1);
    b.u16(0x01E0);
    b.u16(0x005A);
    b.u16(0x3FCF);
    b.u16(0x2A4E);
    b.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs shown
    b.u16(0);
    b.u16(0);
    b.u16(1);
    b.u16(0x0258);
    b.end();
    for (int i = 0; i < 4; ++i) writeFont(b, false);
    writeFont(b, true);
    for (int i = 0; i < 15; ++i) writeXf(b, 0, true);
    writeXf(b, 0, false);
    writeXf(b, 5, false);
    b.begin(kStyle);
    b.u16(0x8000); // built-in style on XF 0
    b.u8(0);       // Normal
    b.u8(0xFF);
    b.end();
    b.begin(kBoundSheet);
    const qsizetype sheetOffsetAt = b.position();
    b.u32(0); // the sheet's offset, known once the globals are written
    b.u8(0);  // visible
    b.u8(0);  // worksheet
    b.shortString(kXlsSheetName);
    b.end();
    writeSst(b, strings);
    writeEof(b);

    b.patch32(sheetOffsetAt, static_cast<uint32_t>(b.position()));

    writeBof(b, 0x0010);
    b.begin(kDefColWidth);
    b.u16(8);
    b.end();
    const auto& widths = document.columnWidths();
    for (size_t c = 1; c < widths.size(); ++c) {
        if (!widths[c]) continue;
        b.begin(kColInfo);
        b.u16(static_cast<uint16_t>(c - 1));
        b.u16(static_cast<uint16_t>(c - 1));
        b.u16(storedColumnWidth(*widths[c]));
        b.u16(kDefaultCellXf);
        b.u16(*widths[c] <= 0 ? 0x0001 : 0x0000);
        b.u16(0);
        b.end();
    }
    b.begin(kDimensions);
    b.u32(firstRow < 0 ? 0 : static_cast<uint32_t>(firstRow));
    b.u32(firstRow < 0 ? 0 : static_cast<uint32_t>(lastRow + 1));
    b.u16(firstRow < 0 ? 0 : static_cast<uint16_t>(firstColumn));
    b.u16(firstRow < 0 ? 0 : static_cast<uint16_t>(lastColumn + 1));
    b.u16(0);
    b.end();

    size_t nextString = 0;
    for (int blockStart = 1; blockStart <= document.rowCount(); blockStart += kRowBlock) {
        const int blockEnd = std::min(document.rowCount(), blockStart + kRowBlock - 1);
        for (int r = blockStart; r <= blockEnd; ++r) {
            const std::vector<SheetCell>& cells = document.row(r);
            const auto first = std::find_if(cells.begin(), cells.end(), written);
            if (first == cells.end()) continue;
            const auto last = std::find_if(cells.rbegin(), cells.rend(), written);
            b.begin(kRow);
            b.u16(static_cast<uint16_t>(r - 1));
            b.u16(static_cast<uint16_t>(first - cells.begin()));
            b.u16(static_cast<uint16_t>(cells.rend() - last));
            b.u16(0x00FF); // default height
            b.u16(0);
            b.u16(0);
            b.u32(0x000F0100); // height follows the font; XF 15
            b.end();
        }
        for (int r = blockStart; r <= blockEnd; ++r) {
            const std::vector<SheetCell>& cells = document.row(r);
            for (size_t c = 0; c < cells.size(); ++c)
                if (written(cells[c]))
                    writeCell(b, cells[c], static_cast<uint16_t>(r - 1), static_cast<uint16_t>(c), sstIndex, nextString);
        }
    }

    b.begin(kWindow2);
    b.u16(0x06B6);
    b.u16(0);
    b.u16(0);
    b.u32(0x00000040); // grid line colour: automatic
    b.u16(0);
    b.u16(0);
    b.u32(0);
    b.end();
    writeEof(b);

    if (b.position() < kCompoundMiniStreamCutoff) out.resize(kCompoundMiniStreamCutoff, '\0');
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

QByteArray BuildXlsFile(const SheetDocument& document)
{
    return BuildCompoundFile({{QStringLiteral("Workbook"), BuildWorkbookStream(document)}});
}

} // namespace talvena
