#include "app/program_icon.h"

#include <QDir>

// The resource sits in a static library: naming its initialiser keeps it linked in.
static void initIconResource() { Q_INIT_RESOURCE(talvena_icon); }

namespace talvena {

QIcon programIcon()
{
    initIconResource();
    QIcon icon;
    for (const QFileInfo& file : QDir(QStringLiteral(":/talvena/window-icon")).entryInfoList(QDir::Files))
        icon.addFile(file.filePath());
    return icon;
}

} // namespace talvena
