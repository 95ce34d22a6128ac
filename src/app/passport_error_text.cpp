#include "app/passport_error_text.h"

#include <QDir>

namespace talvena {

namespace {

// The second line by operation and by the start of the engine's message; the first line that
// fits is used. %1 is the file.
struct SecondLine {
    PassportOperation operation;
    const char* messageStart; // nullptr: any message
    const char* text;
};

const SecondLine kSecondLines[] = {
    {PassportOperation::Open, "Cannot open file", "Не удалось открыть паспорт «%1»."},
    {PassportOperation::Open, nullptr, "Файл «%1» не является паспортом или повреждён."},
    {PassportOperation::Save, nullptr, "Не удалось сохранить паспорт в файл «%1»."},
    {PassportOperation::Export, nullptr, "Не удалось записать распакованный паспорт в папку «%1»."},
};

} // namespace

QString passportErrorText(PassportOperation operation, const QString& fileName, const QString& engineMessage)
{
    for (const SecondLine& line : kSecondLines) {
        if (line.operation != operation) continue;
        if (line.messageStart && !engineMessage.startsWith(QLatin1String(line.messageStart))) continue;
        return engineMessage + QLatin1Char('\n') + QString::fromUtf8(line.text).arg(QDir::toNativeSeparators(fileName));
    }
    return engineMessage;
}

} // namespace talvena
