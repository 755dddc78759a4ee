// The library's heap: every block that held data is overwritten with zeros before it is
// released. Tests may replace the two primitives to inspect released memory or to make an
// allocation or a release fail.
#pragma once

#include <cstddef>

struct ZebAllocatorHooks
{
    void* (*pfnAllocate)(size_t cbSize);        // null on failure
    bool (*pfnRelease)(void* p, size_t cbSize); // false when the release failed
};

// Allocates cbSize bytes, zero-filled; null on failure (never throws).
void* zebAllocateZeroed(size_t cbSize);
// Overwrites the block's cbSize bytes with zeros, then releases it. A null block is released
// successfully. Answers false when the release failed.
bool zebReleaseZeroed(void* p, size_t cbSize);

// Replaces the primitives (null restores the system heap). For tests only.
void zebSetAllocatorHooks(const ZebAllocatorHooks* pHooks);
