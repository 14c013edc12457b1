// ComBstr: owns one BSTR and frees it when it goes.
#pragma once

#include "base/Utf.h"
#include "base/WinError.h"
#include "com/Bstr.h"

#include <string>
#include <string_view>
#include <utility>

class ComBstr {
public:
    ComBstr() noexcept = default;
    ComBstr(std::nullptr_t) noexcept {}
    // Copies the text.
    explicit ComBstr(const OLECHAR* text) : m_str(SysAllocString(text)) {}
    explicit ComBstr(std::u16string_view text)
        : m_str(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    explicit ComBstr(std::string_view utf8) : ComBstr(std::u16string_view(platform::Utf8ToUtf16(utf8))) {}
    ComBstr(const ComBstr& other) : m_str(other.Copy()) {}
    ComBstr(ComBstr&& other) noexcept : m_str(std::exchange(other.m_str, nullptr)) {}
    ~ComBstr() { SysFreeString(m_str); }

    ComBstr& operator=(const ComBstr& other)
    {
        if (this != &other) {
            BSTR copy = other.Copy();
            SysFreeString(m_str);
            m_str = copy;
        }
        return *this;
    }
    ComBstr& operator=(ComBstr&& other) noexcept
    {
        if (this != &other) {
            SysFreeString(m_str);
            m_str = std::exchange(other.m_str, nullptr);
        }
        return *this;
    }

    BSTR get() const noexcept { return m_str; }
    operator BSTR() const noexcept { return m_str; }
    explicit operator bool() const noexcept { return m_str != nullptr; }
    UINT Length() const noexcept { return SysStringLen(m_str); }
    UINT ByteLength() const noexcept { return SysStringByteLen(m_str); }
    bool Empty() const noexcept { return Length() == 0; }

    // Frees what it holds and gives the address for an out-parameter.
    BSTR* put() noexcept
    {
        SysFreeString(std::exchange(m_str, nullptr));
        return &m_str;
    }
    // Takes over a BSTR; hands it over without freeing.
    void Attach(BSTR s) noexcept
    {
        SysFreeString(m_str);
        m_str = s;
    }
    [[nodiscard]] BSTR Detach() noexcept { return std::exchange(m_str, nullptr); }
    void Free() noexcept { SysFreeString(std::exchange(m_str, nullptr)); }

    // A new BSTR with the same contents (embedded zeros kept); null for null.
    BSTR Copy() const
    {
        if (!m_str)
            return nullptr;
        return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(m_str), SysStringByteLen(m_str));
    }
    HRESULT CopyTo(BSTR* out) const
    {
        if (!out)
            return E_POINTER;
        *out = Copy();
        return (*out || !m_str) ? S_OK : E_OUTOFMEMORY;
    }

    std::u16string_view View() const noexcept { return {m_str ? m_str : u"", Length()}; }
    std::u16string Wide() const { return std::u16string(View()); }
    std::string Utf8() const { return platform::Utf16ToUtf8(View()); }

    friend bool operator==(const ComBstr& a, const ComBstr& b) noexcept { return a.View() == b.View(); }
    friend bool operator==(const ComBstr& a, std::u16string_view b) noexcept { return a.View() == b; }

private:
    BSTR m_str = nullptr;
};
