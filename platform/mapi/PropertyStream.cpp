#include "mapi/PropertyStream.h"

#include "base/Utf.h"
#include "mapi/Attach.h"
#include "mapi/MapiCodes.h"

#include <algorithm>
#include <cstring>

namespace mapi {

HRESULT OpenPropertyStream(const PropMap& props, ULONG tag, LPCIID iid, ULONG flags, bool writable,
                           std::function<HRESULT(PropValue)> commit, LPUNKNOWN* out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!iid || (!IsEqualIID(*iid, IID_IStream) && !IsEqualIID(*iid, IID_ISequentialStream)))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    const ULONG type = PROP_TYPE(tag);
    if (type != PT_BINARY && type != PT_STRING8 && type != PT_UNICODE)
        return MAPI_E_NO_SUPPORT;
    if ((flags & (MAPI_MODIFY | MAPI_CREATE)) && !writable)
        return MAPI_E_NO_ACCESS;
    Bytes data;
    const PropValue* v = props.Find(PROP_ID(tag));
    if (flags & MAPI_CREATE) {
        // A new, empty value.
    } else if (!v) {
        return MAPI_E_NOT_FOUND;
    } else if (type == PT_BINARY && v->type() == PT_BINARY) {
        data = v->bin();
    } else if (type == PT_UNICODE && v->type() == PT_UNICODE) {
        data = v->Serialize();
    } else if (type == PT_STRING8 && v->type() == PT_UNICODE) {
        data = platform::Utf16ToUtf8(v->str());
    } else {
        return MAPI_E_NOT_FOUND;
    }
    auto* s = new (std::nothrow) PropertyStream(tag, std::move(data), (flags & (MAPI_MODIFY | MAPI_CREATE)) != 0,
                                                std::move(commit));
    if (!s)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = s;
    return S_OK;
}

HRESULT PropertyStream::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IStream) || IsEqualIID(riid, IID_ISequentialStream)) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG PropertyStream::Release()
{
    ULONG r = --m_refs;
    if (r == 0)
        delete this;
    return r;
}

HRESULT PropertyStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (!pv && cb)
        return STG_E_INVALIDPOINTER;
    std::lock_guard lock(m_mutex);
    const std::size_t n = m_pos < m_data.size() ? std::min<std::size_t>(cb, m_data.size() - m_pos) : 0;
    if (n)
        std::memcpy(pv, m_data.data() + m_pos, n);
    m_pos += n;
    if (pcbRead)
        *pcbRead = static_cast<ULONG>(n);
    return S_OK;
}

HRESULT PropertyStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    if (!pv && cb)
        return STG_E_INVALIDPOINTER;
    std::lock_guard lock(m_mutex);
    if (!m_writable)
        return STG_E_ACCESSDENIED;
    if (m_pos + cb > m_data.size())
        m_data.resize(m_pos + cb);
    if (cb)
        std::memcpy(m_data.data() + m_pos, pv, cb);
    m_pos += cb;
    m_dirty = true;
    if (pcbWritten)
        *pcbWritten = cb;
    return S_OK;
}

HRESULT PropertyStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition)
{
    std::lock_guard lock(m_mutex);
    long long base = dwOrigin == STREAM_SEEK_SET   ? 0
                     : dwOrigin == STREAM_SEEK_CUR ? static_cast<long long>(m_pos)
                     : dwOrigin == STREAM_SEEK_END ? static_cast<long long>(m_data.size())
                                                   : -1;
    if (base < 0)
        return STG_E_INVALIDFUNCTION;
    const long long target = base + dlibMove.QuadPart;
    if (target < 0)
        return STG_E_INVALIDFUNCTION;
    m_pos = static_cast<std::size_t>(target);
    if (plibNewPosition)
        plibNewPosition->QuadPart = m_pos;
    return S_OK;
}

HRESULT PropertyStream::SetSize(ULARGE_INTEGER libNewSize)
{
    std::lock_guard lock(m_mutex);
    if (!m_writable)
        return STG_E_ACCESSDENIED;
    m_data.resize(static_cast<std::size_t>(libNewSize.QuadPart));
    m_dirty = true;
    return S_OK;
}

HRESULT PropertyStream::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten)
{
    if (!pstm)
        return STG_E_INVALIDPOINTER;
    Bytes chunk;
    {
        std::lock_guard lock(m_mutex);
        const std::size_t n = m_pos < m_data.size() ? std::min<std::size_t>(cb.QuadPart, m_data.size() - m_pos) : 0;
        chunk = m_data.substr(m_pos, n);
        m_pos += n;
    }
    ULONG written = 0;
    HRESULT hr = pstm->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &written);
    if (pcbRead)
        pcbRead->QuadPart = chunk.size();
    if (pcbWritten)
        pcbWritten->QuadPart = written;
    return hr;
}

HRESULT PropertyStream::Commit(DWORD)
{
    std::lock_guard lock(m_mutex);
    if (!m_writable || !m_dirty)
        return S_OK;
    PropValue v;
    switch (PROP_TYPE(m_tag)) {
    case PT_BINARY:
        v = PropValue::Binary(m_tag, m_data);
        break;
    case PT_STRING8: {
        // Text streams may carry their terminating zero; it is not part of the value.
        std::string text = m_data;
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        v = PropValue::Text(m_tag, platform::Utf8ToUtf16(text));
        break;
    }
    default: {
        if (!PropValue::Deserialize(m_tag, m_data.data(), m_data.size() & ~std::size_t(1), v))
            return STG_E_INVALIDPARAMETER;
        std::u16string text = v.str();
        while (!text.empty() && text.back() == u'\0')
            text.pop_back();
        v = PropValue::Text(m_tag, std::move(text));
        break;
    }
    }
    HRESULT hr = m_commit(std::move(v));
    if (SUCCEEDED(hr))
        m_dirty = false;
    return hr;
}

HRESULT PropertyStream::Revert() { return S_OK; }
HRESULT PropertyStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
HRESULT PropertyStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT PropertyStream::Stat(STATSTG* pstatstg, DWORD)
{
    if (!pstatstg)
        return STG_E_INVALIDPOINTER;
    std::lock_guard lock(m_mutex);
    std::memset(pstatstg, 0, sizeof(*pstatstg));
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = m_data.size();
    pstatstg->grfMode = m_writable ? STGM_READWRITE : STGM_READ;
    return S_OK;
}

HRESULT PropertyStream::Clone(IStream** ppstm)
{
    if (ppstm)
        *ppstm = nullptr;
    return STG_E_INVALIDFUNCTION;
}

} // namespace mapi
