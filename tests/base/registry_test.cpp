#include "base/registry.h"

#include "reg_file.h"

#include <gtest/gtest.h>

using namespace talvena;

namespace {

const QString kKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Talvena");

} // namespace

TEST(RegistryFile, ReadsTypedValuesOfTheKey)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.reg", settingsRegFile(
        "\"Text\"=\"C:\\\\Data\\\\\\\"q\\\"\"\n"
        "\"Russian\"=\"Паспорт\"\n"
        "\"Small\"=dword:0000000a\n"
        "\"Minus\"=dword:FFFFFFFF\n"
        "\"Binary\"=hex:01,02,\\\n  03\n"
        "@=\"default\"\n"
        "\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Foreign\"=\"x\"\n"
        "[hkey_local_machine\\software\\talvena]\n\"Later\"=dword:1\n"));
    const std::optional<RegistryKey> key = RegistryKey::openReadOnly(path, kKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readText("Text"), QByteArray("C:\\Data\\\"q\""));
    EXPECT_EQ(key->readText("RUSSIAN"), QByteArray("\xCF\xE0\xF1\xEF\xEE\xF0\xF2"));
    EXPECT_EQ(key->readInteger("small"), 10);
    EXPECT_EQ(key->readInteger("Minus"), -1);
    EXPECT_EQ(key->readInteger("Later"), 1); // a second section of the same key adds to it
    EXPECT_EQ(key->readText(""), QByteArray("default"));
    // Wrong type, other types, other keys and missing names all fail the read.
    EXPECT_FALSE(key->readInteger("Text"));
    EXPECT_FALSE(key->readText("Small"));
    EXPECT_FALSE(key->readText("Binary"));
    EXPECT_FALSE(key->readText("Foreign"));
    EXPECT_FALSE(key->readText("Missing"));
}

TEST(RegistryFile, MalformedEntriesFailOnlyThemselves)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.reg", settingsRegFile(
        "\"BadEscape\"=\"a\\nb\"\n"
        "\"Unclosed\"=\"abc\n"
        "\"Trailing\"=\"abc\" x\n"
        "\"TooLong\"=dword:000000001\n"
        "\"NotHex\"=dword:0000000g\n"
        "\"Empty\"=dword:\n"
        "garbage line\n"
        "\"Good\"=\"ok\"\n"
        "\"Removed\"=\"x\"\n\"Removed\"=-\n"));
    const std::optional<RegistryKey> key = RegistryKey::openReadOnly(path, kKey);
    ASSERT_TRUE(key);
    for (const char* name : {"BadEscape", "Unclosed", "Trailing", "Removed"})
        EXPECT_FALSE(key->readText(name)) << name;
    for (const char* name : {"TooLong", "NotHex", "Empty"})
        EXPECT_FALSE(key->readInteger(name)) << name;
    EXPECT_EQ(key->readText("Good"), QByteArray("ok"));
}

TEST(RegistryFile, EncodingsRegeditWrites)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                        "[HKEY_LOCAL_MACHINE\\Software\\Talvena]\r\n\"Name\"=\"Ёлка 日\"\r\n");
    const QString utf16 = writeFile(dir, "utf16.reg", "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    EXPECT_EQ(RegistryKey::openReadOnly(utf16, kKey)->readText("Name"), QByteArray("\xA8\xEB\xEA\xE0 ?"));

    const QString utf8Bom = writeFile(dir, "bom.reg", "\xEF\xBB\xBF" + text.toUtf8());
    EXPECT_EQ(RegistryKey::openReadOnly(utf8Bom, kKey)->readText("Name"), QByteArray("\xA8\xEB\xEA\xE0 ?"));

    const QString ansi = writeFile(dir, "ansi.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Talvena]\n\"Name\"=\"\xA8\xEB\xEA\xE0\"\n");
    EXPECT_EQ(RegistryKey::openReadOnly(ansi, kKey)->readText("Name"), QByteArray("\xA8\xEB\xEA\xE0"));
}

TEST(RegistryFile, WhenTheKeyIsThere)
{
    QTemporaryDir dir;
    const QByteArray body = "[HKEY_LOCAL_MACHINE\\Software\\Talvena\\Sub]\n\"A\"=\"1\"\n";
    // A subkey implies the key, though the key itself holds nothing.
    const QString subOnly = writeFile(dir, "sub.reg", "REGEDIT4\n" + body);
    const std::optional<RegistryKey> key = RegistryKey::openReadOnly(subOnly, kKey);
    ASSERT_TRUE(key);
    EXPECT_FALSE(key->readText("A"));
    EXPECT_FALSE(RegistryKey::openReadOnly(subOnly, kKey + "Extra"));

    EXPECT_FALSE(RegistryKey::openReadOnly(writeFile(dir, "noheader.reg", body), kKey + "\\Sub"));
    EXPECT_FALSE(RegistryKey::openReadOnly(writeFile(dir, "binary.reg", QByteArray("\x00\x01\xFF\xFE\x00", 5)), kKey));
    EXPECT_FALSE(RegistryKey::openReadOnly(writeFile(dir, "deleted.reg", "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software\\Talvena]\n"), kKey));
    EXPECT_FALSE(RegistryKey::openReadOnly(dir.filePath("missing.reg"), kKey));
}
