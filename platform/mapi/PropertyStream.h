// PropertyStream: IStream over the bytes of one property (binary, or text in its storage form).
// Commit hands the new value to the owning object, which keeps it like a SetProps.
#pragma once

#include "com/Stream.h"
#include "mapi/PropValue.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace mapi {

class PropertyStream : public IStream {
public:
    PropertyStream(ULONG tag, Bytes data, bool writable, std::function<HRESULT(PropValue)> commit)
        : m_tag(tag), m_data(std::move(data)), m_writable(writable), m_commit(std::move(commit))
    {
    }

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
    std::atomic<ULONG> m_refs{1};
    std::mutex m_mutex;
    ULONG m_tag;
    Bytes m_data;
    std::size_t m_pos = 0;
    bool m_writable;
    bool m_dirty = false;
    std::function<HRESULT(PropValue)> m_commit;
};

} // namespace mapi
