// The file named on the command line however a shell or a desktop hands it over, and the program icon.
#include "app/command_line_file.h"
#include "app/program_icon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

// Runs the checks from inside a scratch folder and goes back afterwards.
class InFolder {
public:
    explicit InFolder(const QString& folder) : previous_(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~InFolder() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

} // namespace

TEST(CommandLineFile, DesktopUrlsBecomeLocalPaths)
{
    EXPECT_EQ(commandLineFileName("file:///data/object.psp"), "/data/object.psp");
    // Desktops percent-encode spaces and non-ASCII names.
    EXPECT_EQ(commandLineFileName("file:///data/%D0%9E%D0%B1%D1%8A%D0%B5%D0%BA%D1%82%201.psp"),
              QString::fromUtf8("/data/Объект 1.psp"));
    EXPECT_EQ(commandLineFileName("FILE://localhost/data/a%23b.psp"), "/data/a#b.psp");
    // Another host's file is not quietly turned into a local one.
    EXPECT_EQ(commandLineFileName("file://server/data/x.psp"), "file://server/data/x.psp");
    EXPECT_EQ(commandLineFileName("/data/object.psp"), "/data/object.psp");
    EXPECT_EQ(commandLineFileName(""), "");
}

TEST(CommandLineFile, RelativeNamesAreTakenFromTheCurrentFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    InFolder in(folder + "/sub");
    EXPECT_EQ(commandLineFileName("object.psp"), folder + "/sub/object.psp");
    EXPECT_EQ(commandLineFileName("../x/./object.psp"), folder + "/x/object.psp");
    EXPECT_EQ(commandLineFileName("file:object.psp"), folder + "/sub/object.psp");

    // A real file whose name only looks like a URL keeps its name.
    ASSERT_TRUE(QDir().mkpath("file:"));
    QFile odd("file://odd.psp");
    ASSERT_TRUE(odd.open(QIODevice::WriteOnly));
    odd.close();
    EXPECT_EQ(commandLineFileName("file://odd.psp"), folder + "/sub/file:/odd.psp");
}

TEST(ProgramIcon, EveryThemeSizeIsBuiltIn)
{
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    EXPECT_FALSE(icon.pixmap(QSize(32, 32)).isNull());
}
