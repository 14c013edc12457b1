#include "base/GlobalMemory.h"

#include "base/LastError.h"
#include "base/ObjectTable.h"
#include "base/WinError.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace {

struct Block {
    std::unique_ptr<std::uint8_t[]> data;
    SIZE_T size = 0;
    bool moveable = false;
    UINT locks = 0;
};

struct Blocks {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, Block> byHandle;
};

Blocks& AllBlocks()
{
    static auto* blocks = new Blocks;
    return *blocks;
}

std::uintptr_t Key(HGLOBAL memory)
{
    return reinterpret_cast<std::uintptr_t>(memory);
}

// Runs `use` on the live block of the handle, under the lock; `none` and ERROR_INVALID_HANDLE
// for a handle that names no block.
template <typename T, typename Use>
T WithBlock(HGLOBAL memory, T none, Use use)
{
    auto& blocks = AllBlocks();
    std::lock_guard guard(blocks.lock);
    const auto it = blocks.byHandle.find(Key(memory));
    if (it == blocks.byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return none;
    }
    return use(it->second);
}

} // namespace

namespace platform {

bool IsGlobalBlock(HGLOBAL memory)
{
    return WithBlock(memory, false, [](Block&) { return true; });
}

} // namespace platform

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (flags & GMEM_MODIFY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Block block;
    // A block of 0 bytes still has an address of its own.
    block.data.reset(new (std::nothrow) std::uint8_t[bytes ? bytes : 1]);
    if (!block.data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT)
        std::fill_n(block.data.get(), bytes ? bytes : 1, std::uint8_t{0});
    block.size = bytes;
    block.moveable = (flags & GMEM_MOVEABLE) != 0;
    // A fixed block's handle is its address; a moveable one gets a handle of the object counter,
    // which never meets an address.
    const std::uintptr_t handle =
        block.moveable ? platform::NextObjectHandle() : reinterpret_cast<std::uintptr_t>(block.data.get());
    auto& blocks = AllBlocks();
    std::lock_guard guard(blocks.lock);
    blocks.byHandle.emplace(handle, std::move(block));
    return reinterpret_cast<HGLOBAL>(handle);
}

LPVOID GlobalLock(HGLOBAL memory)
{
    return WithBlock(memory, static_cast<LPVOID>(nullptr), [](Block& block) -> LPVOID {
        if (block.moveable)
            ++block.locks;
        return block.data.get();
    });
}

BOOL GlobalUnlock(HGLOBAL memory)
{
    return WithBlock(memory, FALSE, [](Block& block) -> BOOL {
        if (block.locks == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (--block.locks == 0) {
            SetLastError(ERROR_SUCCESS);
            return FALSE;
        }
        return TRUE;
    });
}

SIZE_T GlobalSize(HGLOBAL memory)
{
    return WithBlock(memory, SIZE_T{0}, [](Block& block) { return block.size; });
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
    Block freed; // released outside the lock
    {
        auto& blocks = AllBlocks();
        std::lock_guard guard(blocks.lock);
        const auto it = blocks.byHandle.find(Key(memory));
        if (it == blocks.byHandle.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
        freed = std::move(it->second);
        blocks.byHandle.erase(it);
    }
    return nullptr;
}
