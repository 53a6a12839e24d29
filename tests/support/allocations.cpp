#include "tests/support/allocations.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace quv::test {

std::atomic<bool> CountingAllocations{false};
std::atomic<long> CountedAllocations{0};

bool CanCountAllocations()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

} // namespace quv::test

#if !defined(__SANITIZE_ADDRESS__)
namespace {

// The GL driver allocates for itself (shader variants for a state combination it has not seen
// yet, its own buffers), directly or through the C++ runtime; an allocation with a driver library
// among its nearest callers is not counted.
bool InDriver(void* address)
{
    Dl_info info;
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return false;
    const char* name = info.dli_fname;
    return std::strstr(name, "_dri.so") || std::strstr(name, "libLLVM") ||
           std::strstr(name, "libgallium") || std::strstr(name, "libGL") ||
           std::strstr(name, "libEGL") || std::strstr(name, "libglapi");
}

thread_local bool Inspecting = false;

bool CalledFromDriver()
{
    if (Inspecting)
        return true; // the stack walk's own allocations
    Inspecting = true;
    void* frames[8];
    const int n = backtrace(frames, 8);
    bool driver = false;
    for (int i = 1; i < n && !driver; ++i)
        driver = InDriver(frames[i]);
    Inspecting = false;
    return driver;
}

} // namespace

// The replacements pair malloc with free on purpose; GCC cannot see that across the calls.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (quv::test::CountingAllocations.load(std::memory_order_relaxed) && !CalledFromDriver())
        quv::test::CountedAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
#endif
