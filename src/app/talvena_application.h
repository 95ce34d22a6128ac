#pragma once
// The application object. Errors that escape an event handler end in its event dispatch, which
// shows them like every other handler error instead of letting them end the program. It names the
// program and sets no display name, so window captions stay exactly as written.
#include <QApplication>

namespace talvena {

class TalvenaApplication : public QApplication {
public:
    TalvenaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace talvena
