// A program that edits a passport without end while its recovery copy is kept, as the window does:
// recovery_driver PASSPORT FOLDER SEED. After every action it prints the step, the size and the
// CRC-32 of the passport file of the state it is in, so that a test that kills it can tell which
// state a copy holds.
#include "app/recovery_controller.h"
#include "gui/scripted_interaction.h"
#include "model/data_module.h"
#include "storage/passport_file.h"
#include "support/random_edits.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <random>
#include <zlib.h>

using namespace talvena;
using talvena::random_edits::Random;
using talvena::random_edits::someDataField;
using talvena::random_edits::typeInto;

namespace {

void act(TDataModule2& m, Random& r)
{
    RecordTable& horizons = r(2) ? m.POSIB_PRODUCT_HOR : m.REFLECT_HORIZONTS;
    switch (r(4)) {
    case 0:
        m.PASPORTS.edit();
        typeInto(someDataField(m.PASPORTS, r), r);
        break;
    case 1:
        if (horizons.isEmpty()) return;
        horizons.moveTo(r(horizons.recordCount()));
        horizons.edit();
        typeInto(someDataField(horizons, r), r);
        break;
    case 2:
        horizons.append();
        typeInto(someDataField(horizons, r), r);
        break;
    case 3:
        if (horizons.recordCount() < 3) return;
        horizons.moveTo(r(horizons.recordCount()));
        horizons.deleteRecord();
        return;
    }
    m.CommitPendingEdits();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) return 2;
    TDataModule2 m;
    m.DataModuleCreate(QCoreApplication::applicationDirPath());
    m.LoadPassport(QString::fromLocal8Bit(argv[1]));
    ScriptedInteraction ui;
    RecoveryController recovery(m, ui, QString::fromLocal8Bit(argv[2]));
    Random r{std::mt19937(uint32_t(std::atoi(argv[3])))};
    int step = 0;
    QTimer actions;
    QObject::connect(&actions, &QTimer::timeout, [&] {
        try {
            act(m, r);
        } catch (const std::exception&) {
            for (RecordTable* t : m.passportTables())
                if (t->state() == TableState::Edit || t->state() == TableState::Insert) t->cancel();
        }
        QBuffer state;
        state.open(QIODevice::WriteOnly);
        WritePassport(state, m.passportTables(), m.formats());
        const QByteArray& bytes = state.data();
        const uLong crc = ::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
        std::printf("%d %lld %lu\n", ++step, static_cast<long long>(bytes.size()), crc);
        std::fflush(stdout);
    });
    actions.start(2);
    return QCoreApplication::exec();
}
