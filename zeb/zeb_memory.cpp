#include "zeb_memory.h"

#include <cstdlib>
#include <cstring>

namespace
{
void* systemAllocate(size_t cbSize)
{
    return std::malloc(cbSize);
}

bool systemRelease(void* p, size_t)
{
    std::free(p);
    return true;
}

const ZebAllocatorHooks s_systemHeap = {systemAllocate, systemRelease};
const ZebAllocatorHooks* s_pHooks = &s_systemHeap;

// Zeroing through a volatile pointer so that the compiler cannot drop it as a dead store.
void secureZero(void* p, size_t cbSize)
{
    volatile unsigned char* pByte = static_cast<volatile unsigned char*>(p);
    while (cbSize--)
        *pByte++ = 0;
}
} // namespace

void* zebAllocateZeroed(size_t cbSize)
{
    void* p = s_pHooks->pfnAllocate(cbSize ? cbSize : 1);
    if (p)
        std::memset(p, 0, cbSize);
    return p;
}

bool zebReleaseZeroed(void* p, size_t cbSize)
{
    if (!p)
        return true;
    secureZero(p, cbSize);
    return s_pHooks->pfnRelease(p, cbSize);
}

void zebSetAllocatorHooks(const ZebAllocatorHooks* pHooks)
{
    s_pHooks = pHooks ? pHooks : &s_systemHeap;
}
