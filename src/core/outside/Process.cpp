#include "core/outside/Process.h"

#include <QThreadPool>

#include <cstdio>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
std::function<void(int)>& handler()
{
    static std::function<void(int)> h;
    return h;
}
} // namespace

void Process::end(int code)
{
    if (handler())
        handler()(code);
    std::fflush(nullptr);
    ::_exit(code);
}

void Process::setEndHandler(std::function<void(int)> h)
{
    handler() = std::move(h);
}

void Process::releaseFreedMemory()
{
#ifdef __GLIBC__
    // It takes the allocator's locks one arena at a time, so no thread waits long for it.
    QThreadPool::globalInstance()->start([] { malloc_trim(0); });
#endif
}
