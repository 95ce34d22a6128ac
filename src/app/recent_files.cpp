#include "app/recent_files.h"

#include "gui/error_handler.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include "gui/user_settings.h"

namespace talvena {

namespace {
const char* const kKey = "recentFiles";
}

RecentFiles::RecentFiles(QMenu* menu, std::function<void(const QString&)> open, QObject* parent)
    : QObject(parent), menu_(menu), open_(std::move(open))
{
    connect(menu_, &QMenu::aboutToShow, this, [this] { fill(); });
    fill();
}

QStringList RecentFiles::files() const
{
    QStringList list = UserSettings()->value(QLatin1String(kKey)).toStringList();
    list.removeAll(QString());
    return list.mid(0, kCount);
}

void RecentFiles::add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(absolute);
    list.prepend(absolute);
    UserSettings()->setValue(QLatin1String(kKey), list.mid(0, kCount));
    fill();
}

void RecentFiles::fill()
{
    menu_->clear();
    const QStringList list = files();
    int n = 0;
    for (const QString& path : list) {
        ++n;
        QAction* a = menu_->addAction(QStringLiteral("&%1 %2").arg(n).arg(QDir::toNativeSeparators(path)));
        a->setObjectName(QStringLiteral("RecentFile%1").arg(n));
        a->setEnabled(QFileInfo::exists(path));
        if (!a->isEnabled()) a->setToolTip(QStringLiteral("Файл не найден"));
        connect(a, &QAction::triggered, this, Guarded([this, path](bool) { open_(path); }));
    }
    if (list.isEmpty()) menu_->addAction(QStringLiteral("(нет)"))->setEnabled(false);
}

} // namespace talvena
