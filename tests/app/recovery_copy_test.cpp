// Recovery copies of a program that is killed: a program editing a passport (the same model and
// recovery code the window runs) is killed with SIGKILL at random moments, many of them in the
// middle of writing its copy. Whatever the moment, the folder must then offer exactly one copy,
// and that copy must be byte for byte the passport file of a state the program was in, must load
// back to that state, and must name the passport it belongs to; the user's file stays untouched.
// A copy damaged afterwards is never offered.
#include "support/file_bytes.h"
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "model/recovery_copies.h"
#include "storage/passport_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <zlib.h>

namespace talvena {
namespace {

// A passport with a 4 MB attachment, so that writing a copy takes long enough to be killed in.
QString makePassport(const QString& folder)
{
    TDataModule2 m;
    m.DataModuleCreate(QCoreApplication::applicationDirPath());
    m.CommitPendingEdits();
    QByteArray noise(4 << 20, Qt::Uninitialized);
    std::mt19937 gen(7);
    for (char& c : noise) c = char(gen());
    QFile attachment(folder + "/noise.bin");
    attachment.open(QIODevice::WriteOnly);
    attachment.write(noise);
    attachment.close();
    AddAttachment(m.FILES, "noise.bin", attachment.fileName());
    const QString passport = folder + "/Объект.psp";
    m.SavePassport(passport);
    return passport;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(RecoveryCopies, AProgramKilledAtAnyMomentLeavesOneWholeCopyOfAStateItWasIn)
{
    QTemporaryDir tmp;
    const QString passport = makePassport(tmp.path());
    const QByteArray userFile = testsupport::fileBytes(passport);
    const QString driver = QCoreApplication::applicationDirPath() + "/recovery_driver";
    std::mt19937 gen(22);

    int killedWhileWriting = 0, rounds = 0;
    QString lastFolder;
    for (; rounds < 12; ++rounds) {
        const QString folder = tmp.filePath(QString("recovery%1").arg(rounds));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALVENA_RECOVERY_SECONDS", "0.03");
        program.setProcessEnvironment(env);
        program.start(driver, {passport, folder, QString::number(rounds)});
        ASSERT_TRUE(program.waitForStarted());
        // Until the first copy is there, then a random number of actions more.
        QByteArray output;
        int linesAfterCopy = -1;
        const int extra = std::uniform_int_distribution<int>(0, 25)(gen);
        while (linesAfterCopy < extra) {
            ASSERT_TRUE(program.waitForReadyRead(30000)) << "the program stopped: " << program.readAllStandardError().toStdString();
            const QByteArray more = program.readAllStandardOutput();
            output += more;
            if (linesAfterCopy >= 0) linesAfterCopy += int(more.count('\n'));
            else if (!QDir(folder).entryList({"*.recovery"}, QDir::Files).isEmpty()) linesAfterCopy = 0;
        }
        // Every other round the kill comes while the next copy is being written.
        if (rounds % 2) {
            QElapsedTimer waited;
            waited.start();
            while (QDir(folder).entryList({".talvena-*.tmp"}, QDir::Files | QDir::Hidden).isEmpty() &&
                   waited.elapsed() < 5000)
                ;
        }
        program.kill(); // SIGKILL
        program.waitForFinished();
        output += program.readAllStandardOutput();

        // Every state the program was in, by its passport file's size and CRC-32.
        std::map<std::pair<qint64, quint32>, int> states;
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 3) states[{f[1].toLongLong(), quint32(f[2].toULongLong())}] = f[0].toInt();
        }
        const QStringList left = entries(folder);
        const bool whileWriting = left.filter(QRegularExpression("^\\.talvena-.*\\.tmp$")).size() > 0 ||
                                  left.filter(QRegularExpression("\\.psp$")).size() > 1;
        killedWhileWriting += whileWriting;

        const std::vector<RecoveryCopy> copies = AbandonedRecoveryCopies(folder);
        ASSERT_EQ(copies.size(), 1u) << "round " << rounds << ": " << left.join(' ').toStdString();
        const RecoveryCopy& copy = copies[0];
        EXPECT_EQ(copy.originalPath, passport);
        const QByteArray bytes = ReadRecoveryCopy(copy);
        const quint32 crc = quint32(::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
        const auto state = states.find({bytes.size(), crc});
        ASSERT_NE(state, states.end()) << "round " << rounds << ": the copy is no state the program was in";
        EXPECT_GT(state->second, 0);

        // Being that state's file, it loads as that state: whole, with every table.
        TDataModule2 m;
        m.DataModuleCreate(QCoreApplication::applicationDirPath());
        ASSERT_TRUE(m.LoadPassportBytes(bytes, copy.originalPath));
        EXPECT_TRUE(m.missingTablesWarning().isEmpty());
        EXPECT_EQ(m.FILES.storedCount(), 1);

        // What a killed write left beside it is gone once the folder was looked at, apart from the
        // temporary file of the write itself (the next write in the folder removes it).
        QStringList rest = entries(folder).filter(QRegularExpression("^[^.]"));
        EXPECT_EQ(rest.size(), 2) << rest.join(' ').toStdString();
        lastFolder = folder;
    }
    EXPECT_GE(killedWhileWriting, 3) << "no kill came while a copy was written, in " << rounds << " rounds";
    EXPECT_EQ(testsupport::fileBytes(passport), userFile);

    // A copy that changed after it was written, or whose record is damaged, is never offered.
    const RecoveryCopy copy = AbandonedRecoveryCopies(lastFolder).at(0);
    QByteArray bytes = testsupport::fileBytes(copy.copyPath);
    const QByteArray record = testsupport::fileBytes(copy.recordPath);
    auto rewrite = [](const QString& path, const QByteArray& b) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(b);
    };
    for (qsizetype at : {qsizetype(9), bytes.size() / 2, bytes.size() - 1}) {
        QByteArray damaged = bytes;
        damaged[at] = char(damaged[at] ^ 0x20);
        rewrite(copy.copyPath, damaged);
        EXPECT_TRUE(AbandonedRecoveryCopies(lastFolder).empty()) << "byte " << at;
        EXPECT_THROW(ReadRecoveryCopy(copy), std::exception);
    }
    rewrite(copy.copyPath, bytes.left(bytes.size() - 100));
    EXPECT_TRUE(AbandonedRecoveryCopies(lastFolder).empty());
    rewrite(copy.copyPath, bytes);
    for (const QByteArray& bad : {record.left(record.size() / 2), QByteArray(), QByteArray(record).replace("\"crc32\"", "\"crc\"")}) {
        rewrite(copy.recordPath, bad);
        EXPECT_TRUE(AbandonedRecoveryCopies(lastFolder).empty());
    }
    rewrite(copy.recordPath, record);
    ASSERT_EQ(AbandonedRecoveryCopies(lastFolder).size(), 1u);
}

} // namespace
} // namespace talvena
