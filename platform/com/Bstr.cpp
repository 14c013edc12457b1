#include "com/Bstr.h"

#include "base/Utf.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
// The length prefix is a 32-bit byte count; leave room for prefix and terminator.
constexpr std::size_t kMaxBytes = std::numeric_limits<std::uint32_t>::max() - 16;

// Allocates prefix + bytes + a two-byte terminator (plus one more zero byte so that an odd
// byte length still ends in a whole zero character).
BSTR AllocateBytes(const void* data, std::size_t bytes)
{
    if (bytes > kMaxBytes)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + 3));
    if (!block)
        return nullptr;
    const auto prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &prefix, kPrefix);
    if (data)
        std::memcpy(block + kPrefix, data, bytes);
    else
        std::memset(block + kPrefix, 0, bytes);
    block[kPrefix + bytes] = 0;
    block[kPrefix + bytes + 1] = 0;
    block[kPrefix + bytes + 2] = 0;
    return reinterpret_cast<BSTR>(block + kPrefix);
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (!psz)
        return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(platform::WideLength(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT ui)
{
    return AllocateBytes(pch, std::size_t(ui) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    return AllocateBytes(psz, len);
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (!pbstr)
        return FALSE;
    BSTR fresh = psz ? SysAllocString(psz) : nullptr;
    if (psz && !fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len)
{
    if (!pbstr)
        return FALSE;
    // Copy before freeing: psz may lie inside the old string.
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString)
        std::free(reinterpret_cast<unsigned char*>(bstrString) - kPrefix);
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr)
        return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(bstr) - kPrefix, kPrefix);
    return bytes;
}

UINT SysStringLen(BSTR pbstr)
{
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}
