#include "tools/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace talvena {
namespace {

[[noreturn]] void fail(int error)
{
    throw StandardOutputError(std::string("talvena-psp: cannot write to standard output: ") +
                              (error ? std::strerror(error) : "write failed"));
}

} // namespace

void PrintOut(const QByteArray& bytes, bool flush)
{
    errno = 0;
    const size_t size = static_cast<size_t>(bytes.size());
    if (std::fwrite(bytes.constData(), 1, size, stdout) != size) fail(errno);
    if (flush) FinishOut();
}

void FinishOut()
{
    errno = 0;
    // ferror catches a write that failed earlier inside the buffer: fflush alone then reports
    // nothing, because the bytes it could not write are already gone.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) fail(errno);
}

} // namespace talvena
