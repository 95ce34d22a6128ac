#pragma once
// The window's private messages, carried as posted events of type QEvent::User + the message
// number. Posting queues them: each runs after the event that posted it and the events pending
// before it have been handled.
#include <QEvent>

namespace talvena {

enum WindowMessage {
    kSelectInnerPage = 1025, // parameter: inner page index 0 to 11
    kSelectOuterPage = 1026, // parameter: outer page index 0 or 1
    kOpenCommandLineFile = 1027,
};

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(WindowMessage message, int parameter)
        : QEvent(eventType(message)), message_(message), parameter_(parameter)
    {
    }
    static QEvent::Type eventType(WindowMessage message) { return static_cast<QEvent::Type>(int(QEvent::User) + int(message)); }
    static bool isWindowMessage(const QEvent* e)
    {
        return e->type() == eventType(kSelectInnerPage) || e->type() == eventType(kSelectOuterPage) ||
               e->type() == eventType(kOpenCommandLineFile);
    }

    WindowMessage message() const { return message_; }
    int parameter() const { return parameter_; }

private:
    WindowMessage message_;
    int parameter_;
};

} // namespace talvena
