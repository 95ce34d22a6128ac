#include "export/unpacked_names.h"

#include "base/cp1251.h"
#include "base/oem_text.h"
#include "base/text_case.h"

namespace talvena {

namespace {

constexpr qsizetype kMaxNameBytes = 255;

bool refusedInName(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || QStringLiteral("\\/:*?\"<>|").contains(c);
}

} // namespace

QString PassportFolderName(const QByteArray& objectName)
{
    QString name;
    for (QChar c : cp1251ToUnicode(objectName).trimmed()) name += refusedInName(c) ? QChar(u'_') : c;
    QString folder = QStringLiteral("ПАСПОРТ ОБЪЕКТА ") + name;
    const auto cut = [&] {
        while (folder.endsWith(u'.') || folder.endsWith(u' ')) folder.chop(1);
    };
    cut();
    while (folder.toUtf8().size() > kMaxNameBytes) {
        folder.chop(1);
        cut();
    }
    return folder;
}

AttachmentPlace AttachmentPlaceOf(const QByteArray& storedName)
{
    const qsizetype dot = storedName.lastIndexOf('.');
    const QByteArray base = LowerCaseByTable(dot >= 0 ? storedName.left(dot) : storedName);
    if (base == LowerCaseByTable(unicodeToCp1251(QStringLiteral("Титульный лист")))) return AttachmentPlace::PassportFolder;
    if (base == LowerCaseByTable(unicodeToCp1251(QStringLiteral("Пояснительная записка"))) ||
        base == LowerCaseByTable(unicodeToCp1251(QStringLiteral("Рекомендации"))))
        return AttachmentPlace::Documents;
    return AttachmentPlace::Graphics;
}

QByteArray DescriptionLine(const QByteArray& fileName, const QByteArray& comment)
{
    return ToOemText('"' + fileName + "\" " + comment) + "\r\n";
}

} // namespace talvena
