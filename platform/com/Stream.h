// ISequentialStream and IStream: byte streams, as MAPI hands them out for large properties.
#pragma once

#include "com/Unknown.h"

struct LARGE_INTEGER {
    LONGLONG QuadPart;
};
struct ULARGE_INTEGER {
    ULONGLONG QuadPart;
};

#define STGM_DIRECT 0x00000000u
#define STGM_TRANSACTED 0x00010000u
#define STGM_READ 0x00000000u
#define STGM_WRITE 0x00000001u
#define STGM_READWRITE 0x00000002u
#define STGM_SHARE_DENY_NONE 0x00000040u
#define STGM_SHARE_DENY_READ 0x00000030u
#define STGM_SHARE_DENY_WRITE 0x00000020u
#define STGM_SHARE_EXCLUSIVE 0x00000010u
#define STGM_CREATE 0x00001000u
#define STGM_FAILIFTHERE 0x00000000u

#define STREAM_SEEK_SET 0u
#define STREAM_SEEK_CUR 1u
#define STREAM_SEEK_END 2u

#define STGC_DEFAULT 0u
#define STGC_OVERWRITE 1u
#define STGC_ONLYIFCURRENT 2u

#define STATFLAG_DEFAULT 0u
#define STATFLAG_NONAME 1u

#define STGTY_STORAGE 1u
#define STGTY_STREAM 2u

#define STG_E_INVALIDFUNCTION HR(0x80030001)
#define STG_E_ACCESSDENIED HR(0x80030005)
#define STG_E_INVALIDPOINTER HR(0x80030009)
#define STG_E_MEDIUMFULL HR(0x80030070)
#define STG_E_INVALIDPARAMETER HR(0x80030057)
#define STG_E_REVERTED HR(0x80030102)

struct STATSTG {
    LPOLESTR pwcsName;
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

struct ISequentialStream : IUnknown {
    virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};
PLATFORM_DECLARE_IID(ISequentialStream, "0C733A30-2A1C-11CE-ADE5-00AA0044773D");

struct IStream : ISequentialStream {
    virtual HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
    virtual HRESULT SetSize(ULARGE_INTEGER libNewSize) = 0;
    virtual HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) = 0;
    virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
    virtual HRESULT Clone(IStream** ppstm) = 0;
};
PLATFORM_DECLARE_IID(IStream, "0000000C-0000-0000-C000-000000000046");
using LPSTREAM = IStream*;
inline constexpr IID IID_IStream = uuidof<IStream>();
inline constexpr IID IID_ISequentialStream = uuidof<ISequentialStream>();
