#pragma once
// Long work that must not freeze the window: it runs on a worker thread while the user-interface
// thread keeps painting in a local event loop that holds back the user's input (no click or key
// can start another command meanwhile; they are handled afterwards) and refuses to close the
// window. When the work takes longer than a moment the progress form is shown.
#include <QString>
#include <functional>

class QWidget;

namespace talvena {

// Runs `work` away from the user-interface thread and returns when it has ended; an error it
// raised is raised again here. `work` must not touch widgets or tables the window shows. The
// progress form with `text` appears over `window` once `formDelayMs` milliseconds have passed.
void RunWithProgress(const std::function<void()>& work, const QString& text, QWidget* window,
                     int formDelayMs = 200);

// RunWithProgress with `busy` true while the work runs and given back the value it had before,
// also when the work fails: commands that refuse to start while their owner is busy stay refused
// until the outermost of nested runs has ended.
void RunWhileBusy(bool& busy, const std::function<void()>& work, const QString& text, QWidget* window,
                  int formDelayMs = 200);

} // namespace talvena
