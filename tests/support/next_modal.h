#pragma once
// Works a modal dialog the way a user does while the code that opened it waits in its exec().
#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace talvena::testsupport {

// Call just before the command that opens the dialog: the zero timer fires inside the dialog's
// own event loop, where `drive` gets the dialog, which must be a `Dialog`. The flag returned is
// set once the dialog was there to drive.
template <class Dialog>
std::shared_ptr<const bool> driveNextModal(std::function<void(Dialog&)> drive)
{
    auto shown = std::make_shared<bool>(false);
    QTimer::singleShot(0, [drive = std::move(drive), shown] {
        auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *shown = true;
        drive(*dialog);
    });
    return shown;
}

} // namespace talvena::testsupport
