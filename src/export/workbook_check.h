#pragma once
// Reading back an Excel 97 workbook that another program wrote, before it replaces a good file:
// LibreOffice ends with exit code 0 even when a full disk cut its output short.
//
// A workbook is complete when its compound file holds together (header signature, every FAT,
// DIFAT, directory and stream sector inside the file, no chain running in a circle) and its
// "Workbook" (or old "Book") stream is whole: records that fit, the globals' BOF … EOF, and one
// BOF … EOF sheet for each BOUNDSHEET the globals list.
#include <QByteArray>
#include <QString>

namespace talvena {

// Empty when the bytes are a complete workbook; otherwise what is wrong with them (English, for
// the message that names the file).
QString WorkbookDefect(const QByteArray& bytes);

} // namespace talvena
