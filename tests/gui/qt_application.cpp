#include "support/qt_application.h"

#include <QApplication>

static const bool registered = talvena::testsupport::RegisterApplication<QApplication>("gui_tests");
