#include "host/PropertyPages.h"

#include "com/ComRuntime.h"
#include "com/Variant.h"

CPropertyPages::CPropertyPages() = default;

CPropertyPages::~CPropertyPages() = default;

std::span<const DispatchMember> CPropertyPages::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&PropertyPages::get_Count>("Count", 1, DISPATCH_PROPERTYGET),
        DispMember<&PropertyPages::Item>("Item", 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET),
        DispMember<&PropertyPages::Add>("Add", 2, DISPATCH_METHOD),
        DispMember<&PropertyPages::Remove>("Remove", 3, DISPATCH_METHOD),
    };
    return members;
}

long CPropertyPages::Position(const VARIANT& index) const
{
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &index, 0, VT_I4)))
        return -1;
    const LONG i = number.lVal;
    return i >= 1 && static_cast<std::size_t>(i) <= m_pages.size() ? i - 1 : -1;
}

HRESULT CPropertyPages::get_Count(LONG* count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<LONG>(m_pages.size());
    return S_OK;
}

HRESULT CPropertyPages::Item(VARIANT Index, IDispatch** page)
{
    if (!page)
        return E_POINTER;
    *page = nullptr;
    const long at = Position(Index);
    if (at < 0)
        return DISP_E_BADINDEX;
    *page = m_pages[static_cast<std::size_t>(at)].page.get();
    (*page)->AddRef();
    return S_OK;
}

HRESULT CPropertyPages::Add(VARIANT Page, BSTR Title)
{
    if (m_sealed)
        return E_UNEXPECTED;
    const VARIANT* v = Page.vt == (VT_VARIANT | VT_BYREF) && Page.pvarVal ? Page.pvarVal : &Page;
    ComPtr<IDispatch> object;
    if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) {
        IUnknown* unknown = v->vt == VT_DISPATCH ? v->pdispVal : v->punkVal;
        if (!unknown || FAILED(unknown->QueryInterface(IID_IDispatch, object.put_void())))
            return E_INVALIDARG;
    } else if (v->vt == VT_BSTR && v->bstrVal && *v->bstrVal) {
        // A ProgID: the host creates the page object.
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(v->bstrVal, &clsid);
        if (FAILED(hr))
            return hr;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
        if (FAILED(hr))
            return hr;
    } else {
        return E_INVALIDARG;
    }
    std::u16string title = Title ? std::u16string(reinterpret_cast<const char16_t*>(Title)) : std::u16string();
    if (title.empty())
        return E_INVALIDARG; // a tab needs its title
    m_pages.push_back({std::move(object), std::move(title)});
    return S_OK;
}

HRESULT CPropertyPages::Remove(VARIANT Index)
{
    if (m_sealed)
        return E_UNEXPECTED;
    const long at = Position(Index);
    if (at < 0)
        return DISP_E_BADINDEX;
    m_pages.erase(m_pages.begin() + at);
    return S_OK;
}
