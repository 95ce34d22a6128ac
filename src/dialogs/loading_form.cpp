#include "dialogs/loading_form.h"

#include "dialogs/file_copy_animation.h"
#include "dialogs/window_placement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>

namespace talvena {

TLoadingForm::TLoadingForm(QWidget* parent) : QWidget(parent)
{
    setObjectName("LoadingForm");
    // A title bar without buttons; a tool-like window owned by the main window when given.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setCursor(Qt::WaitCursor);

    animation_ = new FileCopyAnimation(this);
    animation_->setGeometry(0, 0, kClientWidth, kAnimationHeight);

    label_ = new QLabel("Загрузка файла ...", this);
    label_->setObjectName("label");
    label_->setAlignment(Qt::AlignCenter);
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(kFontPixels);
    label_->setFont(font);
    label_->setGeometry(0, kAnimationHeight, kClientWidth, kClientHeight - kAnimationHeight);

    resize(kClientWidth, kClientHeight);
    FixAndCentreOnScreen(this);
}

void TLoadingForm::setText(const QString& text) { label_->setText(text); }

QString TLoadingForm::text() const { return label_->text(); }

void TLoadingForm::closeEvent(QCloseEvent* event) { event->ignore(); }

ProgressFormScope::ProgressFormScope(const QString& text, QWidget* parent) : form_(new TLoadingForm(parent))
{
    form_->setText(text);
    form_->show();
    QCoreApplication::processEvents();
}

ProgressFormScope::~ProgressFormScope() { delete form_.data(); }

void ProgressFormScope::setText(const QString& text)
{
    if (form_) form_->setText(text);
}

} // namespace talvena
