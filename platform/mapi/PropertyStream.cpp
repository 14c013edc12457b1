#include "mapi/PropertyStream.h"

#include "base/Utf.h"
#include "mapi/Attach.h"
#include "mapi/MapiCodes.h"

#include <algorithm>
#include <bit>
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
    std::optional<PropValue> value;
    const PropValue* v = props.Find(PROP_ID(tag));
    if (flags & MAPI_CREATE) {
        // A new, empty value.
    } else if (!v) {
        return MAPI_E_NOT_FOUND;
    } else if ((type == PT_BINARY && v->type() == PT_BINARY) ||
               (type == PT_UNICODE && v->type() == PT_UNICODE && std::endian::native == std::endian::little)) {
        value = *v; // shares a large value
    } else if (type == PT_UNICODE && v->type() == PT_UNICODE) {
        data = v->Serialize();
    } else if (type == PT_STRING8 && v->type() == PT_UNICODE) {
        data = platform::Utf16ToUtf8(v->str());
    } else {
        return MAPI_E_NOT_FOUND;
    }
    auto* s = new (std::nothrow) PropertyStream(tag, std::move(data), std::move(value),
                                                (flags & (MAPI_MODIFY | MAPI_CREATE)) != 0, std::move(commit));
    if (!s)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = s;
    return S_OK;
}

PropertyStream::PropertyStream(ULONG tag, Bytes data, std::optional<PropValue> value, bool writable,
                               std::function<HRESULT(PropValue)> commit)
    : m_tag(tag), m_wide(PROP_TYPE(tag) == PT_UNICODE && std::endian::native == std::endian::little),
      m_bytes(std::move(data)), m_shared(std::move(value)), m_writable(writable), m_commit(std::move(commit))
{
    if (m_wide && !m_bytes.empty()) {
        m_text.assign(reinterpret_cast<const char16_t*>(m_bytes.data()), m_bytes.size() / 2);
        m_size = m_bytes.size();
        m_bytes.clear();
    } else {
        m_size = Held().size();
    }
}

std::string_view PropertyStream::Held() const
{
    if (m_shared) {
        if (m_shared->type() == PT_BINARY)
            return m_shared->bin();
        const std::u16string& text = m_shared->str();
        return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
    }
    if (m_wide)
        return {reinterpret_cast<const char*>(m_text.data()), m_text.size() * 2};
    return m_bytes;
}

void PropertyStream::CopyOfShared()
{
    if (!m_shared)
        return;
    if (m_wide)
        m_text = m_shared->str();
    else
        m_bytes = m_shared->bin();
    m_shared.reset();
}

char* PropertyStream::HeldForWriting(std::size_t end)
{
    CopyOfShared();
    if (m_wide) {
        if (m_text.size() * 2 < end)
            m_text.resize((end + 1) / 2);
        return reinterpret_cast<char*>(m_text.data());
    }
    if (m_bytes.size() < end)
        m_bytes.resize(end);
    return m_bytes.data();
}

std::size_t PropertyStream::ReadAt(std::size_t pos, char* out, std::size_t cb) const
{
    const std::size_t n = pos < m_size ? std::min(cb, m_size - pos) : 0;
    const std::string_view held = Held();
    const std::size_t fromHeld = pos < held.size() ? std::min(n, held.size() - pos) : 0;
    if (fromHeld)
        std::memcpy(out, held.data() + pos, fromHeld);
    if (n > fromHeld)
        std::memset(out + fromHeld, 0, n - fromHeld);
    return n;
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
    const std::size_t n = ReadAt(m_pos, static_cast<char*>(pv), cb);
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
    char* held = HeldForWriting(m_pos + cb);
    if (cb)
        std::memcpy(held + m_pos, pv, cb);
    m_pos += cb;
    m_size = std::max(m_size, m_pos);
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
                     : dwOrigin == STREAM_SEEK_END ? static_cast<long long>(m_size)
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
    const auto size = static_cast<std::size_t>(libNewSize.QuadPart);
    if (size < Held().size()) {
        CopyOfShared();
        if (m_wide)
            m_text.resize((size + 1) / 2);
        else
            m_bytes.resize(size);
    } else if (size > m_size) {
        // Room only: what lies past the written bytes reads as zeros.
        CopyOfShared();
        if (m_wide)
            m_text.reserve((size + 1) / 2);
        else
            m_bytes.reserve(size);
    }
    m_size = size;
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
        const std::size_t n = m_pos < m_size ? std::min<std::size_t>(cb.QuadPart, m_size - m_pos) : 0;
        chunk.resize(n);
        ReadAt(m_pos, chunk.data(), n);
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
    if (PROP_TYPE(m_tag) == PT_STRING8) {
        // Text streams may carry their terminating zero; it is not part of the value.
        std::string text(m_size, '\0');
        ReadAt(0, text.data(), m_size);
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        v = PropValue::Text(m_tag, platform::Utf8ToUtf16(text));
    } else if (PROP_TYPE(m_tag) == PT_BINARY || m_wide) {
        // The written bytes become the value itself; the stream reads them from there on.
        HeldForWriting(m_size);
        if (m_wide) {
            m_text.resize(m_size / 2); // half a character is no text
            std::size_t end = m_text.size();
            while (end > 0 && m_text[end - 1] == u'\0')
                --end;
            if (end < m_text.size())
                m_text.resize(end); // the terminator still reads as the zeros past the value
            v = PropValue::Text(m_tag, std::move(m_text));
        } else {
            m_bytes.resize(m_size);
            v = PropValue::Binary(m_tag, std::move(m_bytes));
        }
        m_text.clear();
        m_bytes.clear();
        m_shared = v;
    } else {
        const Bytes data = m_bytes.substr(0, m_size);
        if (!PropValue::Deserialize(m_tag, data.data(), data.size() & ~std::size_t(1), v))
            return STG_E_INVALIDPARAMETER;
        std::u16string text = v.str();
        while (!text.empty() && text.back() == u'\0')
            text.pop_back();
        v = PropValue::Text(m_tag, std::move(text));
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
    pstatstg->cbSize.QuadPart = m_size;
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
