// The LibreOffice runs use QProcess, which wants an application object.
#include "support/qt_application.h"

#include <QCoreApplication>

static const bool registered = talvena::testsupport::RegisterApplication<QCoreApplication>("export_tests");
