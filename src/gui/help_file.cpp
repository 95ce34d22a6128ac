#include "gui/help_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

namespace talvena {

HelpFile HelpFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return parse(QString::fromUtf8(file.readAll()));
}

HelpFile HelpFile::parse(const QString& text)
{
    static const QRegularExpression header(QStringLiteral("^@topic\\s+(\\d+)\\s*(.*)$"));
    HelpFile result;
    HelpTopic* current = nullptr;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        const QRegularExpressionMatch m = header.match(trimmed);
        if (m.hasMatch()) {
            result.topics_.append(HelpTopic{m.captured(1).toInt(), m.captured(2).trimmed(), {}});
            current = &result.topics_.last();
            continue;
        }
        if (!current || trimmed.startsWith(QLatin1Char('#'))) continue;
        current->html += line;
        current->html += QLatin1Char('\n');
    }
    return result;
}

const HelpTopic* HelpFile::topic(int number) const
{
    for (const HelpTopic& t : topics_)
        if (t.number == number) return &t;
    return nullptr;
}

QString helpFilePath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(HelpFile::kFileName);
}

} // namespace talvena
