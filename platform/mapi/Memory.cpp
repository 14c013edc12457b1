// MAPI memory: every block carries a header that links the blocks allocated "more" on it.
#include "mapi/MapiUtil.h"

#include <cstdlib>
#include <mutex>
#include <new>

namespace {

constexpr std::uint32_t kRootMagic = 0x4D415042;  // a block from MAPIAllocateBuffer
constexpr std::uint32_t kMoreMagic = 0x4D41504D;  // a block chained to another
constexpr std::uint32_t kFreedMagic = 0x46524545;

struct alignas(16) BlockHeader {
    std::uint32_t magic;
    BlockHeader* firstMore;
    BlockHeader* nextMore;
};

std::mutex& ChainMutex()
{
    static std::mutex m;
    return m;
}

BlockHeader* HeaderOf(void* p)
{
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(p) - sizeof(BlockHeader));
}

BlockHeader* NewBlock(ULONG cb, std::uint32_t magic)
{
    void* raw = std::malloc(sizeof(BlockHeader) + (cb ? cb : 1));
    if (!raw)
        return nullptr;
    auto* h = new (raw) BlockHeader{magic, nullptr, nullptr};
    return h;
}

} // namespace

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    BlockHeader* h = NewBlock(cbSize, kRootMagic);
    if (!h) {
        *lppBuffer = nullptr;
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    *lppBuffer = h + 1;
    return S_OK;
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    if (!lpObject)
        return MAPIAllocateBuffer(cbSize, lppBuffer);
    BlockHeader* parent = HeaderOf(lpObject);
    if (parent->magic == kMoreMagic)
        return MAPI_E_INVALID_PARAMETER; // chain only on the first block of an allocation
    if (parent->magic != kRootMagic)
        return MAPI_E_INVALID_PARAMETER;
    BlockHeader* h = NewBlock(cbSize, kMoreMagic);
    if (!h)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    {
        std::lock_guard lock(ChainMutex());
        h->nextMore = parent->firstMore;
        parent->firstMore = h;
    }
    *lppBuffer = h + 1;
    return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer)
{
    if (!lpBuffer)
        return S_OK;
    BlockHeader* h = HeaderOf(lpBuffer);
    if (h->magic != kRootMagic)
        return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
    BlockHeader* more;
    {
        std::lock_guard lock(ChainMutex());
        more = h->firstMore;
        h->firstMore = nullptr;
    }
    while (more) {
        BlockHeader* next = more->nextMore;
        more->magic = kFreedMagic;
        std::free(more);
        more = next;
    }
    h->magic = kFreedMagic;
    std::free(h);
    return S_OK;
}
