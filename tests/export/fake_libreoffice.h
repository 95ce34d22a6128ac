#pragma once
// A "soffice" put first on PATH for the life of the object: a shell script that counts its starts
// and then does what the test needs (run the real LibreOffice, hang, fail, ...).
#include "export/libreoffice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace talvena::test {

class FakeLibreOffice {
public:
    // `body` is shell code run after the start is counted; "$@" are LibreOffice's arguments.
    explicit FakeLibreOffice(const QString& body) : oldPath_(qgetenv("PATH"))
    {
        QFile script(program());
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        QTextStream(&script) << "#!/bin/sh\necho start >> '" << counter() << "'\n" << body << "\n";
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir_.path().toLocal8Bit() + ":" + oldPath_);
    }
    ~FakeLibreOffice() { qputenv("PATH", oldPath_); }

    // Delegates to the LibreOffice found on PATH before the fake was put in front of it.
    static QString delegating() { return QStringLiteral("exec '%1' \"$@\"").arg(FindLibreOffice()); }

    QString program() const { return dir_.filePath("soffice"); }
    QString counter() const { return dir_.filePath("starts"); }
    QString folder() const { return dir_.path(); }
    int starts() const
    {
        QFile f(counter());
        if (!f.open(QIODevice::ReadOnly)) return 0;
        return static_cast<int>(f.readAll().count('\n'));
    }

private:
    QTemporaryDir dir_;
    QByteArray oldPath_;
};

// PATH without any LibreOffice for the life of the object.
class NoLibreOfficeOnPath {
public:
    NoLibreOfficeOnPath() : oldPath_(qgetenv("PATH")) { qputenv("PATH", empty_.path().toLocal8Bit()); }
    ~NoLibreOfficeOnPath() { qputenv("PATH", oldPath_); }

private:
    QTemporaryDir empty_;
    QByteArray oldPath_;
};

} // namespace talvena::test
