#include "dialogs/export_type_dialog.h"

#include "dialogs/window_placement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace talvena {

ExportProgramsFound ProbeExportPrograms() { return {true, !FindLibreOffice().isEmpty()}; }

TSelectExportTypeForm::TSelectExportTypeForm(QWidget* parent, ExportProgramsFound found) : QDialog(parent)
{
    setObjectName("SelectExportTypeForm");
    setWindowTitle("Выбор типа экспорта");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    label_ = new QLabel("Выберите тип экспорта. Выбранный пакет должен стоять у вас на компьютере иначе произойдет ошибка.",
                        this);
    label_->setObjectName("label");
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setMinimumWidth(360);

    auto button = [this](const char* name, const QString& text, int result) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    excelButton_ = button("excelButton", "Microsoft Excel", Yes);
    calcButton_ = button("calcButton", "OpenOffice Calc", No);
    cancelButton_ = button("cancelButton", "Отказ", Cancel);
    excelButton_->setEnabled(found.excel);
    calcButton_->setEnabled(found.calc);
    // Enter takes the first program that can be used.
    (found.excel ? excelButton_ : found.calc ? calcButton_ : cancelButton_)->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(excelButton_);
    buttons->addWidget(calcButton_);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    resize(sizeHint());
    FixAndCentreOnScreen(this);
}

void TSelectExportTypeForm::reject() { done(Cancel); }

std::optional<PreferredProgram> ChooseExportProgram(QWidget* parent, ExportProgramsFound found)
{
    TSelectExportTypeForm form(parent, found);
    switch (form.exec()) {
    case TSelectExportTypeForm::Yes: return PreferredProgram::Excel;
    case TSelectExportTypeForm::No: return PreferredProgram::Calc;
    default: return std::nullopt;
    }
}

} // namespace talvena
