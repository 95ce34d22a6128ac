#include "tools/attachment_extract.h"

#include "base/error.h"
#include "model/attachment_store.h"
#include "table/record_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace talvena {

QString EscapeControlCharacters(const QString& text)
{
    QString out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == '\\')
            out += QStringLiteral("\\x") + QStringLiteral("%1").arg(int(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

ExtractResult ExtractAttachments(RecordTable& files, const QString& folder,
                                 const std::function<void(const QString& path)>& onWritten)
{
    const QDir dir(folder);
    if (!QDir().mkpath(folder))
        throw Error(formatMessage("Cannot create folder \"%s\"", {folder.toStdString()}));
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();

    ExtractResult result;
    DistinctFileNames names; // of this run
    const Field& name = files.fieldByName("NAME");
    const Field& content = files.fieldByName("CONTENT");
    for (int position = 0; position < files.recordCount(); ++position) {
        files.moveTo(position);
        if (content.isNull()) {
            result.skipped.push_back(name.asString());
            continue;
        }
        const QString fileName = names.take(PlainFileName(name.asString()));

        const QString target = dir.filePath(fileName);
        // PlainFileName keeps folder parts out; this guards the promise whatever it returns.
        if (QFileInfo(target).absoluteDir().canonicalPath() != canonicalFolder)
            throw Error(formatMessage("Refusing to write \"%s\" outside \"%s\"",
                                      {target.toStdString(), folder.toStdString()}));
        try {
            if (WriteAttachmentOut(files, target, AtomicFile::LinkPolicy::ReplaceLink) == WriteOutResult::Damaged)
                result.damaged.push_back(target);
        } catch (const FileWriteError& e) {
            result.failed.push_back({target, QString::fromUtf8(e.what()) + QStringLiteral(" (") + e.reason() + ')'});
            continue;
        } catch (const Error& e) {
            result.failed.push_back({target, QString::fromUtf8(e.what())});
            continue;
        }
        result.written.push_back(target);
        if (onWritten) onWritten(target);
    }
    return result;
}

} // namespace talvena
