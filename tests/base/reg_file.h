#pragma once
// Writes .reg files for the tests into a temporary folder.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// A UTF-8 .reg file with the program's key holding `entries` (one per line).
inline QByteArray settingsRegFile(const QByteArray& entries)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvena]\r\n" + entries;
}
