// Loaded with LD_PRELOAD by the e2e tests to stand for a machine out of memory: every operator
// new of at least QUV_FAIL_NEW_AT bytes throws std::bad_alloc; smaller ones allocate as usual.
// The program's big buffers (a whole demo or text file read into memory) then fail where they
// would on a full machine, and the test sees what the user would.

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::size_t FailAt()
{
    static const std::size_t at = [] {
        const char* text = std::getenv("QUV_FAIL_NEW_AT");
        return text != nullptr ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10))
                               : SIZE_MAX;
    }();
    return at;
}

} // namespace

void* operator new(std::size_t size)
{
    if (size >= FailAt())
        throw std::bad_alloc();
    if (void* memory = std::malloc(size != 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
