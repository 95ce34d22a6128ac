#pragma once
// "Последние файлы": the five passports opened or saved last, newest first, kept in the user's
// settings. A file that is gone shows disabled.
#include <QObject>
#include <QStringList>
#include <functional>

class QMenu;

namespace talvena {

class RecentFiles : public QObject {
public:
    static constexpr int kCount = 5;

    // Fills `menu` whenever it is about to show; choosing an entry runs `open` with its path.
    RecentFiles(QMenu* menu, std::function<void(const QString&)> open, QObject* parent = nullptr);

    // Puts the file first (once) and writes the list to the settings.
    void add(const QString& path);
    QStringList files() const;

private:
    void fill();

    QMenu* menu_;
    std::function<void(const QString&)> open_;
};

} // namespace talvena
