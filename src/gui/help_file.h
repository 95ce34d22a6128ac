#pragma once
// The help file "talvena.hlp": HTML topics keyed by number. Each topic starts with a line
// "@topic <number> <title>"; the lines up to the next such line are its HTML body. Lines before
// the first topic and lines starting with "#" between topics are comments.
#include <QList>
#include <QString>

namespace talvena {

struct HelpTopic {
    int number = 0;
    QString title;
    QString html;
};

class HelpFile {
public:
    static constexpr const char* kFileName = "talvena.hlp";

    // Reads the file (UTF-8); a missing or unreadable file gives an empty help file.
    static HelpFile load(const QString& path);
    static HelpFile parse(const QString& text);

    bool isEmpty() const { return topics_.isEmpty(); }
    const HelpTopic* topic(int number) const; // nullptr when the file has no such topic
    const QList<HelpTopic>& topics() const { return topics_; }

private:
    QList<HelpTopic> topics_;
};

// The help file beside the executable.
QString helpFilePath();

} // namespace talvena
