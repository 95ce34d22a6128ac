#pragma once
// Names inside the unpacked passport: the passport folder made from the object name, the folder
// an attachment goes to, and the lines of the description files.
#include <QByteArray>
#include <QString>

namespace talvena {

// The folders under the passport folder and the description file in each of the three that
// hold attachments.
inline const QString kTablesFolder = QStringLiteral("ТАБЛИЦЫ");
inline const QString kDocumentsFolder = QStringLiteral("ДОКУМЕНТЫ");
inline const QString kGraphicsFolder = QStringLiteral("ГРАФИКА");
inline const QString kDescriptionFile = QStringLiteral("Descript.ion");

// "ПАСПОРТ ОБЪЕКТА " + the object name (CP1251) with the blanks around it removed. So that the
// folder can always be created, here and on the Windows machines unpacked passports travel to,
// the characters either system refuses in a name (\ / : * ? " < > | and control characters) become
// "_", trailing dots and blanks are dropped, and the name is cut to what a file name holds
// (255 bytes of UTF-8). The empty object name gives the prefix without its blank.
QString PassportFolderName(const QByteArray& objectName);

// Where an attachment goes, by its stored name without extension (letter case ignored):
// "Титульный лист" into the passport folder itself, "Пояснительная записка" and "Рекомендации"
// into "ДОКУМЕНТЫ", everything else into "ГРАФИКА".
enum class AttachmentPlace { PassportFolder, Documents, Graphics };
AttachmentPlace AttachmentPlaceOf(const QByteArray& storedName);

// One line of a description file: "\"" + file name + "\" " + comment, in code page 866, ended by
// CR LF. Both texts are CP1251.
QByteArray DescriptionLine(const QByteArray& fileName, const QByteArray& comment);

} // namespace talvena
