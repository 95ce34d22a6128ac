#include "dialogs/picker_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace talvena {

PickerButtons MakePickerButtons(QDialog* dialog, const char* confirmText, const char* confirmName, bool centred)
{
    auto* confirm = new QPushButton(QString::fromUtf8(confirmText), dialog);
    confirm->setObjectName(QString::fromLatin1(confirmName));
    confirm->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отказ"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(confirm, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(confirm);
    row->addWidget(cancel);
    if (centred) row->addStretch(1);
    return {confirm, cancel, row};
}

} // namespace talvena
