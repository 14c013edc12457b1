// PropertyStream: IStream over the bytes of one property (binary, or text in its storage form).
// Commit hands the new value to the owning object, which keeps it like a SetProps.
#pragma once

#include "com/Stream.h"
#include "mapi/PropValue.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

namespace mapi {

class PropertyStream : public IStream {
public:
    // data: the bytes to start from (UTF-8 for a PT_STRING8 stream); or, for binary and
    // PT_UNICODE streams, `value`, the property's value, read without a copy.
    PropertyStream(ULONG tag, Bytes data, std::optional<PropValue> value, bool writable,
                   std::function<HRESULT(PropValue)> commit);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override;
    HRESULT Commit(DWORD grfCommitFlags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT Clone(IStream** ppstm) override;

private:
    virtual ~PropertyStream() = default;

    // The bytes held so far; those past them up to m_size read as zeros.
    std::string_view Held() const;
    // The held bytes, made this stream's own and at least `end` long, to write into.
    char* HeldForWriting(std::size_t end);
    void CopyOfShared();
    std::size_t ReadAt(std::size_t pos, char* out, std::size_t cb) const;

    std::atomic<ULONG> m_refs{1};
    std::mutex m_mutex;
    ULONG m_tag;
    // A large value lies in memory once: a PT_UNICODE stream keeps its bytes as the UTF-16 text
    // that its value takes over on Commit, and a binary one as the bytes; until written, a
    // stream reads the value it was opened on or last committed (m_shared). SetSize only
    // reserves room, so that sizing a value first does not touch all of it at once.
    bool m_wide;
    Bytes m_bytes;
    std::u16string m_text;
    std::optional<PropValue> m_shared;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    bool m_writable;
    bool m_dirty = false;
    std::function<HRESULT(PropValue)> m_commit;
};

} // namespace mapi
