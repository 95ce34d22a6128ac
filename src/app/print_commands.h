#pragma once
// "Файлы → Печать…" and "Файлы → Сохранить в PDF…": the printed passport of the report layer,
// shown in a print preview from which it is printed, or written as a PDF file.
class QWidget;

namespace talvena {

class GridLayouts;
struct SimulationRun;
class TDataModule2;
class UserInteraction;

// The print preview of the passport; its print button prints on the printer chosen there.
// `simulation`: the resources by simulation to print with it, or nullptr.
void PrintPassportWithPreview(QWidget* parent, TDataModule2& dm, const GridLayouts& layouts,
                              const SimulationRun* simulation = nullptr);

// Asks for the file (the passport's name with ".pdf" suggested) and writes the document; a failure
// is reported and leaves a file that was there as it was. True when written.
bool SavePassportAsPdf(TDataModule2& dm, const GridLayouts& layouts, UserInteraction& ui,
                       const SimulationRun* simulation = nullptr);

} // namespace talvena
