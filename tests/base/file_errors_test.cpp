#include "base/file_errors.h"
#include "support/error_of.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

bool isRussianSentence(const QString& s)
{
    return s.contains(QRegularExpression(QStringLiteral("^[А-ЯЁ][^A-Za-z]*\\.$")));
}

TEST(FileErrors, ReasonsAreRussianForReadingAndWriting)
{
    QTemporaryDir dir;
    // Reading a file that is not there, or a folder.
    QFile missing(dir.filePath("нет.psp"));
    EXPECT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(fileOpenFailureReason(missing), u("Не удается найти указанный файл."));
    EXPECT_EQ(fileErrorReason(missing), u("Не удается найти указанный путь."));
    QFile folder(dir.path());
    EXPECT_EQ(fileOpenFailureReason(folder), u("Это папка, а не файл."));

    // Writing into a folder that is not there, or onto a folder.
    QFile nowhere(dir.filePath("нет/файл.psp"));
    EXPECT_FALSE(nowhere.open(QIODevice::WriteOnly));
    EXPECT_EQ(fileErrorReason(nowhere), u("Не удается найти указанный путь.")) << nowhere.errorString().toStdString();
    QFile onto(dir.path());
    EXPECT_FALSE(onto.open(QIODevice::WriteOnly));
    EXPECT_EQ(fileErrorReason(onto), u("Это папка, а не файл.")) << onto.errorString().toStdString();
    QSaveFile save(dir.filePath("нет/файл.psp"));
    EXPECT_FALSE(save.open(QIODevice::WriteOnly));
    EXPECT_TRUE(isRussianSentence(fileErrorReason(save))) << fileErrorReason(save).toStdString();

    // A full disk.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        QFile full(QStringLiteral("/dev/full"));
        ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        EXPECT_EQ(full.write("x", 1), -1);
        EXPECT_EQ(fileErrorReason(full), u("Недостаточно места на диске.")) << full.errorString().toStdString();
    }
}

TEST(FileErrors, AReasonTheTableDoesNotKnowIsNamedByTheKindOfFailure)
{
    QFile file;
    EXPECT_TRUE(fileErrorReason(file).isEmpty()); // no error
    QFile unnamed;
    EXPECT_FALSE(unnamed.open(QIODevice::ReadOnly)); // "No file name specified"
    EXPECT_TRUE(isRussianSentence(fileErrorReason(unnamed))) << fileErrorReason(unnamed).toStdString();
}

// A temporary folder that could not be made reports the system's own text.
TEST(FileErrors, SystemTextsOfOtherObjectsGetTheSameReasons)
{
    QTemporaryDir nowhere(QStringLiteral("/nonexistent/folder/talvena-XXXXXX"));
    ASSERT_FALSE(nowhere.isValid());
    EXPECT_EQ(systemTextReason(nowhere.errorString()), u("Не удается найти указанный путь."))
        << nowhere.errorString().toStdString();
    EXPECT_EQ(systemTextReason(QStringLiteral("No space left on device")), u("Недостаточно места на диске."));
    EXPECT_TRUE(systemTextReason(QStringLiteral("something else")).isEmpty());
}

TEST(FileErrors, CannotOpenFileNamesTheFileAndTheReason)
{
    QFile missing(QStringLiteral("/nonexistent/passport.psp"));
    EXPECT_EQ(testsupport::errorOf([&] { throwCannotOpenFile(missing); }),
              "Cannot open file \"/nonexistent/passport.psp\". Не удается найти указанный файл.");
}

} // namespace
