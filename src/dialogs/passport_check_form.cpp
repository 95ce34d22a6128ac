#include "dialogs/passport_check_form.h"

#include "gui/error_handler.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace talvena {

TCheckForm::TCheckForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CheckForm"));
    setWindowTitle(QStringLiteral("Проверка паспорта"));
    setModal(false);
    resize(720, 360);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("CheckSummary"));
    layout->addWidget(summary_);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("FindingsList"));
    list_->setWordWrap(true);
    summary_->setBuddy(list_);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    goButton_ = new QPushButton(QStringLiteral("&Перейти"), this);
    goButton_->setObjectName(QStringLiteral("GoButton"));
    goButton_->setDefault(true);
    recheckButton_ = new QPushButton(QStringLiteral("Проверить &снова"), this);
    recheckButton_->setObjectName(QStringLiteral("RecheckButton"));
    auto* close = new QPushButton(QStringLiteral("&Закрыть"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(goButton_);
    buttons->addWidget(recheckButton_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(goButton_, &QPushButton::clicked, this, Guarded([this](bool) { goToCurrent(); }));
    connect(list_, &QListWidget::itemActivated, this, Guarded([this](QListWidgetItem*) { goToCurrent(); }));
    connect(recheckButton_, &QPushButton::clicked, this, Guarded([this](bool) {
                if (onRecheck) onRecheck();
            }));
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void TCheckForm::showFindings(std::vector<PassportFinding> findings)
{
    findings_ = std::move(findings);
    list_->clear();
    for (const PassportFinding& f : findings_) list_->addItem(f.message);
    summary_->setText(findings_.empty() ? QStringLiteral("Замечаний нет.")
                                        : QStringLiteral("&Замечания (%1):").arg(findings_.size()));
    goButton_->setEnabled(!findings_.empty());
    if (!findings_.empty()) list_->setCurrentRow(0);
    list_->setFocus();
}

void TCheckForm::goToCurrent()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= int(findings_.size()) || !onGoTo) return;
    onGoTo(findings_[size_t(row)]);
}

} // namespace talvena
