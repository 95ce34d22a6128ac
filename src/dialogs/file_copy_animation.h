#pragma once
// The file-copy animation of the progress form: a sheet flies from one folder to another, over
// and over, while the widget is shown. It advances only when the event loop runs, which the
// long operations allow between their steps.
#include <QTimer>
#include <QWidget>

namespace talvena {

class FileCopyAnimation : public QWidget {
public:
    static constexpr int kFrameCount = 16;
    static constexpr int kFrameMs = 60;

    explicit FileCopyAnimation(QWidget* parent = nullptr);

    int frame() const { return frame_; }
    bool playing() const { return timer_.isActive(); }
    QSize sizeHint() const override { return {272, 60}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QTimer timer_;
    int frame_ = 0;
};

} // namespace talvena
