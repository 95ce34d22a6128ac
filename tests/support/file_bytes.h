#pragma once
// Whole files as bytes, for tests that prepare inputs and compare outputs.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace talvena::testsupport {

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

} // namespace talvena::testsupport
