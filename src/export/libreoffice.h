#pragma once
// Running LibreOffice as a converter: headless, on a private profile so that neither a running
// LibreOffice of the user nor the user's settings take part, and never longer than a time limit.
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace talvena {

// The LibreOffice program found on PATH, "soffice" before "libreoffice"; empty when neither.
QString FindLibreOffice();

struct LibreOfficeConversion {
    QString program;          // the executable to run
    QString profileFolder;    // the private profile, created by LibreOffice when missing
    QString outputFolder;     // where the converted files appear, under the sources' base names
    QString targetFilter;     // the --convert-to argument, for example: xls:MS Excel 97
    QStringList sources;      // every document of the run
    std::chrono::milliseconds timeout{std::chrono::minutes(10)};
    std::function<void()> whileWaiting; // called about every 100 ms while the program runs
};

// Converts all sources in one start of the program and returns what it printed. Throws an Error
// with a Russian message when the program cannot be started, runs past the time limit (it is
// then killed with everything it started), crashes, or ends with a non-zero exit code. Whether
// each file was converted is for the caller to check: LibreOffice ends with 0 regardless.
QString RunLibreOfficeConversion(const LibreOfficeConversion& conversion);

} // namespace talvena
