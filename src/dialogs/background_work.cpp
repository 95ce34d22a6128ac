#include "dialogs/background_work.h"

#include "dialogs/loading_form.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

#include <exception>
#include <memory>
#include <thread>

namespace talvena {

namespace {

// Ignores the window's close requests while the work runs.
class CloseRefusal : public QObject {
public:
    explicit CloseRefusal(QWidget* window) : window_(window)
    {
        if (window_) window_->installEventFilter(this);
    }
    ~CloseRefusal() override
    {
        if (window_) window_->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::Close) return false;
        e->ignore();
        return true;
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

void RunWithProgress(const std::function<void()>& work, const QString& text, QWidget* window, int formDelayMs)
{
    QEventLoop loop;
    std::exception_ptr failure;
    CloseRefusal refusal(window);
    std::unique_ptr<TLoadingForm> form;
    QTimer showForm;
    showForm.setSingleShot(true);
    QObject::connect(&showForm, &QTimer::timeout, &loop, [&] {
        form = std::make_unique<TLoadingForm>(window);
        form->setText(text);
        form->show();
    });
    showForm.start(formDelayMs);

    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued to the loop's thread; handled once the loop runs, should the work end first.
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    showForm.stop();
    form.reset();
    if (failure) std::rethrow_exception(failure);
}

void RunWhileBusy(bool& busy, const std::function<void()>& work, const QString& text, QWidget* window, int formDelayMs)
{
    const QScopedValueRollback keep(busy, true);
    RunWithProgress(work, text, window, formDelayMs);
}

} // namespace talvena
