#pragma once
// The progress form shown while a passport is opened, saved or unpacked: a small window without
// title-bar buttons, the file-copy animation on top and the operation's text below it.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;

namespace talvena {

class FileCopyAnimation;

class TLoadingForm : public QWidget {
public:
    static constexpr int kClientWidth = 272;
    static constexpr int kClientHeight = 94;
    static constexpr int kAnimationHeight = 60;
    static constexpr int kFontPixels = 24;

    explicit TLoadingForm(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    QLabel* label() const { return label_; }
    FileCopyAnimation* animation() const { return animation_; }

protected:
    // The operation ends it, not the user.
    void closeEvent(QCloseEvent* event) override;

private:
    FileCopyAnimation* animation_;
    QLabel* label_;
};

// Shows the progress form for the life of a scope: creates it with the text, shows it without
// making it modal, lets the pending events run once so it is painted, and destroys it when the
// scope ends, by an error too.
class ProgressFormScope {
public:
    explicit ProgressFormScope(const QString& text, QWidget* parent = nullptr);
    ~ProgressFormScope();
    ProgressFormScope(const ProgressFormScope&) = delete;
    ProgressFormScope& operator=(const ProgressFormScope&) = delete;

    TLoadingForm* form() const { return form_; }
    void setText(const QString& text);

private:
    QPointer<TLoadingForm> form_; // a parent destroyed first takes the form with it
};

} // namespace talvena
