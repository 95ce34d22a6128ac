#pragma once
// The unpacked passport: the open passport written into a folder tree with its tables as
// spreadsheet files, its attachments as plain files and their comments in description files.
//
//   D/ПАСПОРТ ОБЪЕКТА <name>/           the title page attachment, Descript.ion
//       ТАБЛИЦЫ/                        the 15 tables (export_layouts.h)
//       ДОКУМЕНТЫ/                      the explanatory note and the recommendations, Descript.ion
//       ГРАФИКА/                        every other attachment, Descript.ion
//
// Every file is written completely or not at all (a file already there stays until its new
// version is complete), and always inside the passport folder.
#include "export/spreadsheet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace talvena {

class GridLayouts;
class TDataModule2;

// Shown when the object name is empty: nothing can be named after it.
inline constexpr const char* kNoObjectNameMessage = "На задано наименование объекта";

// OBJECTNAME of the passport with the blanks around it removed (CP1251).
QByteArray ExportObjectName(TDataModule2& dm);

struct UnpackedPassportOptions {
    QString directory;                                  // the folder the passport folder goes into (made when missing)
    PreferredProgram program = PreferredProgram::Excel; // the user's choice
    // The grids' column orders as the user left them; nullptr: the declared orders.
    const GridLayouts* layouts = nullptr;
    // Hears of each file once it is in place (the tables written through LibreOffice all at once
    // after its run), so a failure part-way still leaves an account of what was written.
    std::function<void(const QString& path)> written;
    // Runs between files, for example to keep a window painted.
    std::function<void()> betweenFiles;
    // Hears, before anything is written, that LibreOffice was chosen but cannot be started, with
    // kSpreadsheetCreateFailedMessage: the built-in writer writes the tables instead.
    std::function<void(const QString& message)> notice;
};

struct UnpackedFailure {
    QString path;    // the file or folder
    QString message; // the error's message with its Russian reason
};

struct UnpackedPassportResult {
    QString folder;                // the passport folder
    QStringList damaged;           // attachments whose stored data is damaged, written as far as it decodes
    QList<UnpackedFailure> failed; // what could not be written; everything else was

    bool complete() const { return damaged.isEmpty() && failed.isEmpty(); }
};

// Commits pending edits and recomputes the Geology totals (which switches the resource filter of
// the productive horizons off), then writes the passport folder. Throws kNoObjectNameMessage for
// an empty object name before anything is written. Everything else that fails (a folder that
// cannot be made or is a link leading outside the chosen folder, a file that cannot be written,
// LibreOffice) fails only what it concerns: the rest is still written and the failures are in
// the result. The passport is not changed; the productive horizons are left unfiltered.
UnpackedPassportResult WriteUnpackedPassport(TDataModule2& dm, ExportSession& session,
                                             const UnpackedPassportOptions& options);

} // namespace talvena
