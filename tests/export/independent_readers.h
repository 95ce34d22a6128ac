#pragma once
// Readers that have nothing to do with our writers: python3-xlrd (its own BIFF and compound file
// readers) and LibreOffice itself. A reader that is missing fails the test: CI installs them.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <ostream>
#include <vector>

// Texts in failure messages as texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace talvena::test {

struct ReadCell {
    int row = 0, column = 0; // 1-based
    enum Type { Empty = 0, Text = 1, Number = 2, Blank = 6 };
    int type = Empty;
    QString text;
    double number = 0;
    bool bold = false;
};

struct ReadSheet {
    QString name;
    int rows = 0, columns = 0;
    std::vector<ReadCell> cells;      // every non-empty cell, blanks with a format included
    std::map<int, int> widths;        // column (1-based) -> width in 1/256 characters
    std::map<int, bool> hidden;       // column -> hidden flag
    QString warnings;                 // whatever xlrd complained about
    int sheetCount = 0;

    const ReadCell* at(int row, int column) const;
    QString textAt(int row, int column) const; // "" when no text cell is there
};

// The first sheet of an .xls as xlrd reads it with formatting information.
ReadSheet ReadWithXlrd(const QString& path);

// A stream of a compound file as xlrd's compound document reader returns it.
QByteArray CompoundStreamWithXlrd(const QString& path, const QString& streamName);

// Converts files with LibreOffice in one run into `outputFolder` (for example with
// "csv:Text - txt - csv (StarCalc):44,34,76" or "fods"); false (with a test failure) on error.
bool ConvertWithLibreOffice(const QStringList& files, const QString& filter, const QString& outputFolder);

// Rows of fields of a CSV text (comma, double quotes).
std::vector<QStringList> ParseCsv(const QString& text);

} // namespace talvena::test
