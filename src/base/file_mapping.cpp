#include "base/file_mapping.h"

#include "base/error.h"
#include "base/file_errors.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace talvena {

namespace {

// What the SIGBUS handler reads: the address ranges of the live mappings, without a lock.
struct GuardSlot {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> spoilt{false};
};
constexpr int kGuardSlots = 256;
GuardSlot guardSlots[kGuardSlots];
uintptr_t pageSize = 4096;
struct sigaction previousBusAction;

// A file system error that leaves the page unreadable is a SIGBUS too; only faults inside our
// mappings are turned into zero pages, anything else gets what it would have had without us.
void onBus(int sig, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardSlot& slot : guardSlots) {
        const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        const uintptr_t end = slot.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end) continue;
        const uintptr_t page = address & ~(pageSize - 1);
        // From the lost page to the end: the file ends before all of them now.
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        slot.spoilt.store(true, std::memory_order_release);
        return; // the access is repeated and reads zeros
    }
    if ((previousBusAction.sa_flags & SA_SIGINFO) && previousBusAction.sa_sigaction) {
        previousBusAction.sa_sigaction(sig, info, context);
        return;
    }
    if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(sig);
        return;
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void installGuard()
{
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = uintptr_t(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBus;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

struct Mapping {
    QTypedArrayData<char>* header = nullptr; // one reference is ours; the arrays hold the others
    char* data = nullptr;
    size_t size = 0;
    int fd = -1;
    int slot = -1;
    QString fileName;
    struct stat identity {};
};

std::mutex registryMutex;
std::vector<Mapping>& registry()
{
    static auto* mappings = new std::vector<Mapping>; // outlives every static array that may hold a slice
    return *mappings;
}

size_t roundedToPages(size_t n) { return (n + pageSize - 1) / pageSize * pageSize; }

void unmap(Mapping& m)
{
    if (m.slot >= 0) {
        guardSlots[m.slot].begin.store(0, std::memory_order_release);
        guardSlots[m.slot].end.store(0, std::memory_order_release);
        guardSlots[m.slot].spoilt.store(false, std::memory_order_release);
    }
    ::munmap(m.data, m.size);
    ::close(m.fd);
    QTypedArrayData<char>::deallocate(m.header);
}

int releaseUnusedLocked()
{
    std::vector<Mapping>& all = registry();
    for (size_t i = 0; i < all.size();) {
        // Only our reference left: no array can reach the bytes any more, nor make a new one.
        if (all[i].header->ref_.loadAcquire() == 1) {
            unmap(all[i]);
            all.erase(all.begin() + qsizetype(i));
        } else {
            ++i;
        }
    }
    return int(all.size());
}

Mapping* findLocked(const char* data, qsizetype size)
{
    if (!data) return nullptr;
    for (Mapping& m : registry())
        if (data >= m.data && data + size <= m.data + m.size) return &m;
    return nullptr;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

QByteArray MapFileBytes(const QString& fileName)
{
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile()) throwCannotOpenFile(file);
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.open(QIODevice::ReadOnly); // for the reason the system gives
        throwCannotOpenFile(file);
    }
    struct stat identity {};
    if (::fstat(fd, &identity) != 0 || !S_ISREG(identity.st_mode) || identity.st_size <= 0) {
        ::close(fd);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    installGuard();
    const size_t size = size_t(identity.st_size);
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) {
        ::close(fd);
        if (!file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
        return file.readAll();
    }

    std::lock_guard lock(registryMutex);
    releaseUnusedLocked();
    int slot = -1;
    for (int i = 0; i < kGuardSlots && slot < 0; ++i)
        if (guardSlots[i].begin.load(std::memory_order_acquire) == 0) slot = i;
    auto [header, unused] = QTypedArrayData<char>::allocate(1);
    if (slot < 0 || !header) {
        // More files held open at once than the guard watches: this one is read instead.
        ::munmap(data, size);
        ::close(fd);
        if (header) QTypedArrayData<char>::deallocate(header);
        if (!file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
        return file.readAll();
    }
    header->ref(); // ours, released by releaseUnusedLocked
    guardSlots[slot].spoilt.store(false, std::memory_order_release);
    guardSlots[slot].end.store(reinterpret_cast<uintptr_t>(data) + roundedToPages(size), std::memory_order_release);
    guardSlots[slot].begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
    registry().push_back({header, static_cast<char*>(data), size, fd, slot, fileName, identity});
    // With two references the array and each slice of it detach on their first change: nothing
    // ever writes into the read-only pages or grows into them.
    return QByteArray(QByteArray::DataPointer(header, static_cast<char*>(data), qsizetype(size)));
}

void CheckMappedBytes(const QByteArray& bytes)
{
    std::lock_guard lock(registryMutex);
    releaseUnusedLocked();
    const Mapping* m = findLocked(bytes.constData(), bytes.size());
    if (!m) return;
    struct stat now {};
    const bool spoilt = guardSlots[m->slot].spoilt.load(std::memory_order_acquire);
    if (!spoilt && ::fstat(m->fd, &now) == 0 && sameFile(now, m->identity)) return;
    throw MappedFileChangedError(formatMessage("Файл «%s», из которого открыт паспорт, изменила или укоротила другая программа: "
                              "вложения, не изменённые с открытия, из него прочитать нельзя. "
                              "Удалите эти вложения или откройте паспорт заново.",
                              {m->fileName.toStdString()}));
}

void ReleaseMappedPages(const QByteArray& bytes)
{
    std::lock_guard lock(registryMutex);
    if (!findLocked(bytes.constData(), bytes.size())) return;
    const auto begin = reinterpret_cast<uintptr_t>(bytes.constData());
    const uintptr_t first = (begin + pageSize - 1) / pageSize * pageSize;
    const uintptr_t last = (begin + uintptr_t(bytes.size())) / pageSize * pageSize;
    if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

bool IsMappedBytes(const QByteArray& bytes)
{
    std::lock_guard lock(registryMutex);
    return findLocked(bytes.constData(), bytes.size()) != nullptr;
}

int ReleaseUnusedMappings()
{
    std::lock_guard lock(registryMutex);
    return releaseUnusedLocked();
}

} // namespace talvena
