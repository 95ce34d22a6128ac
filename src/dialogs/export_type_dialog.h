#pragma once
// The choice of the spreadsheet program for the unpacked passport: "Microsoft Excel" (the built-in
// Excel 97 writer, always there), "OpenOffice Calc" (LibreOffice Calc, when it is installed) or
// "Отказ". The dialog ends with Yes, No or Cancel as the buttons do.
#include "export/spreadsheet.h"

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;

namespace talvena {

// Which programs can be offered.
struct ExportProgramsFound {
    bool excel = true;
    bool calc = false;
};
// The built-in writer always; LibreOffice when FindLibreOffice finds it.
ExportProgramsFound ProbeExportPrograms();

class TSelectExportTypeForm : public QDialog {
public:
    // The dialog results of the three buttons.
    enum Result { Cancel = 2, Yes = 6, No = 7 };

    explicit TSelectExportTypeForm(QWidget* parent = nullptr, ExportProgramsFound found = ProbeExportPrograms());

    QLabel* label() const { return label_; }
    QPushButton* excelButton() const { return excelButton_; }
    QPushButton* calcButton() const { return calcButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    // Escape and the close box answer as "Отказ" does.
    void reject() override;

private:
    QLabel* label_;
    QPushButton* excelButton_;
    QPushButton* calcButton_;
    QPushButton* cancelButton_;
};

// Shows the dialog modally: the program picked, or nothing when the user cancelled.
std::optional<PreferredProgram> ChooseExportProgram(QWidget* parent, ExportProgramsFound found = ProbeExportPrograms());

} // namespace talvena
