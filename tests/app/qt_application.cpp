#include "support/qt_application.h"

#include "app/talvena_application.h"

static const bool registered = talvena::testsupport::RegisterApplication<talvena::TalvenaApplication>("app_tests");
