// CPropertyPages: the pages collection handed to the add-ins with the application's
// OptionsPagesAdd event when the Options dialog opens. An add-in adds a page object and its
// tab title; the dialog shows each added page after the extensions' pages.
//
// The pages cannot be the original's ActiveX controls here. A page is a COM object (given as
// an object, or as a ProgID that the host creates) that the host asks for its view through our
// own IHostPropertyPageView, and, late-bound by name, for "Dirty" (a boolean property) and
// "Apply" (a method) when the dialog's OK or Apply is pressed.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"

#include <span>
#include <string>
#include <vector>

// The collection's dual interface. Item and Remove take a 1-based index.
struct PropertyPages : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, IDispatch** page) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(VARIANT Page, BSTR Title) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(VARIANT Index) = 0;
};
PLATFORM_DECLARE_IID(PropertyPages, "e278f46f-dc7c-40a6-a662-6a0df88040c5");

// A page's view for a host with a display: a new child window (a wxWindow*) of the given
// toolkit window (a wxWindow*), in *window. The host destroys it when the dialog closes.
struct IHostPropertyPageView : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreatePageWindow(void* parentWindow, void** window) = 0;
};
PLATFORM_DECLARE_IID(IHostPropertyPageView, "bde93367-ef24-475e-88b0-3ada80665b6a");

class CPropertyPages : public ComObject<CPropertyPages, DispatchImpl<CPropertyPages, PropertyPages>> {
public:
    struct Added {
        ComPtr<IDispatch> page;
        std::u16string title;
    };

    // Made and destroyed in the host library: the object counts in its module lock whichever
    // module creates it.
    CPropertyPages();
    ~CPropertyPages() override;

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(VARIANT Index, IDispatch** page) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT Page, BSTR Title) override;
    HRESULT STDMETHODCALLTYPE Remove(VARIANT Index) override;

    const std::vector<Added>& Pages() const { return m_pages; }
    // After the event: the dialog has taken the pages; later changes fail with E_UNEXPECTED.
    void Seal() { m_sealed = true; }

private:
    // The 0-based position of a 1-based index, or -1.
    long Position(const VARIANT& index) const;

    std::vector<Added> m_pages;
    bool m_sealed = false;
};
