#include "independent_readers.h"

#include "base/error.h"
#include "export/libreoffice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace talvena::test {

namespace {

// Debian's interpreter, the one python3-xlrd installs into (not a private Python on PATH).
const char* const kPython = "/usr/bin/python3";

const char* const kDumpSheet = R"PY(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, ragged_rows=True, logfile=sys.stderr)
sheet = book.sheet_by_index(0)
cells = []
for r in range(sheet.nrows):
    for c in range(sheet.row_len(r)):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        bold = book.font_list[book.xf_list[cell.xf_index].font_index].weight >= 700
        cells.append({"row": r + 1, "column": c + 1, "type": cell.ctype, "value": cell.value, "bold": bold})
out = {"name": sheet.name, "rows": sheet.nrows, "columns": sheet.ncols, "cells": cells, "sheets": book.nsheets,
       "widths": {str(c + 1): i.width for c, i in sheet.colinfo_map.items()},
       "hidden": {str(c + 1): bool(i.hidden) for c, i in sheet.colinfo_map.items()}}
sys.stdout.write(json.dumps(out))
)PY";

const char* const kDumpStream = R"PY(
import sys
from xlrd import compdoc
with open(sys.argv[1], "rb") as f:
    doc = compdoc.CompDoc(f.read(), logfile=sys.stderr)
sys.stdout.buffer.write(doc.get_named_stream(sys.argv[2]))
)PY";

bool runPython(const char* script, const QStringList& arguments, QByteArray& out, QByteArray& err)
{
    QProcess p;
    p.start(QString::fromLatin1(kPython), QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "python3-xlrd failed: " << p.errorString().toStdString() << "\n"
                      << p.readAllStandardError().toStdString();
        return false;
    }
    out = p.readAllStandardOutput();
    err = p.readAllStandardError();
    return true;
}

} // namespace

const ReadCell* ReadSheet::at(int row, int column) const
{
    for (const ReadCell& c : cells)
        if (c.row == row && c.column == column) return &c;
    return nullptr;
}

QString ReadSheet::textAt(int row, int column) const
{
    const ReadCell* c = at(row, column);
    return c && c->type == ReadCell::Text ? c->text : QString();
}

ReadSheet ReadWithXlrd(const QString& path)
{
    ReadSheet sheet;
    QByteArray out, err;
    if (!runPython(kDumpSheet, {path}, out, err)) return sheet;
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    sheet.name = o["name"].toString();
    sheet.rows = o["rows"].toInt();
    sheet.columns = o["columns"].toInt();
    sheet.sheetCount = o["sheets"].toInt();
    sheet.warnings = QString::fromUtf8(err);
    for (const QJsonValue& v : o["cells"].toArray()) {
        const QJsonObject c = v.toObject();
        ReadCell cell;
        cell.row = c["row"].toInt();
        cell.column = c["column"].toInt();
        cell.type = c["type"].toInt();
        if (c["value"].isString()) cell.text = c["value"].toString();
        else cell.number = c["value"].toDouble();
        cell.bold = c["bold"].toBool();
        sheet.cells.push_back(cell);
    }
    const QJsonObject widths = o["widths"].toObject();
    for (auto it = widths.begin(); it != widths.end(); ++it) sheet.widths[it.key().toInt()] = it.value().toInt();
    const QJsonObject hidden = o["hidden"].toObject();
    for (auto it = hidden.begin(); it != hidden.end(); ++it) sheet.hidden[it.key().toInt()] = it.value().toBool();
    return sheet;
}

QByteArray CompoundStreamWithXlrd(const QString& path, const QString& streamName)
{
    QByteArray out, err;
    if (!runPython(kDumpStream, {path, streamName}, out, err)) return {};
    EXPECT_EQ(err.toStdString(), "") << "compound document reader warnings";
    return out;
}

bool ConvertWithLibreOffice(const QStringList& files, const QString& filter, const QString& outputFolder)
{
    static QTemporaryDir profile; // one profile for the test program: later runs start faster
    LibreOfficeConversion run;
    run.program = FindLibreOffice();
    if (run.program.isEmpty()) {
        ADD_FAILURE() << "LibreOffice is not installed";
        return false;
    }
    run.profileFolder = profile.path();
    run.outputFolder = outputFolder;
    run.targetFilter = filter;
    run.sources = files;
    run.timeout = std::chrono::minutes(3);
    try {
        RunLibreOfficeConversion(run);
    } catch (const Error& e) {
        ADD_FAILURE() << e.what();
        return false;
    }
    return true;
}

std::vector<QStringList> ParseCsv(const QString& text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += c, ++i;
            else if (c == u'"') quoted = false;
            else field += c;
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            row << field;
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows.push_back(row);
    }
    return rows;
}

} // namespace talvena::test
