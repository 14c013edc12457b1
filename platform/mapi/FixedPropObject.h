// FixedPropObject<I>: a read-only object over a fixed set of properties, such as a one-off
// recipient opened from the address book (IMailUser) or the running session's profile
// section (IProfSect).
#pragma once

#include "mapi/PropObject.h"

#include <new>

namespace mapi {

template <class I>
class FixedPropObject : public PropObject<I> {
public:
    // saveResult is what SaveChanges answers: a profile section accepts a save that changes
    // nothing, a recipient refuses it.
    static HRESULT Create(PropMap props, HRESULT saveResult, I** out)
    {
        if (!out)
            return MAPI_E_INVALID_PARAMETER;
        auto* object = new (std::nothrow) FixedPropObject(std::move(props), saveResult);
        if (!object)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        *out = object;
        return S_OK;
    }

    HRESULT SaveChanges(ULONG) override { return m_saveResult; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override
    {
        if (lppUnk)
            *lppUnk = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray lpExcludeProps, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID lpDestObj,
                   ULONG ulFlags, LPSPropProblemArray* lppProblems) override
    {
        if (!lpDestObj)
            return MAPI_E_INVALID_PARAMETER;
        return this->CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), lpExcludeProps, nullptr, ulFlags, lppProblems);
    }

protected:
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, uuidof<I>()); }
    HRESULT CurrentProps(PropMap& out) override
    {
        out = m_props;
        return S_OK;
    }
    HRESULT WriteProps(const std::vector<PropValue>&) override { return MAPI_E_NO_ACCESS; }
    HRESULT RemoveProps(const std::vector<ULONG>&) override { return MAPI_E_NO_ACCESS; }
    bool IsComputed(ULONG) const override { return false; }
    bool Writable() const override { return false; }
    StoreFile* File() const override { return nullptr; }

private:
    FixedPropObject(PropMap props, HRESULT saveResult) : m_props(std::move(props)), m_saveResult(saveResult) {}

    PropMap m_props;
    HRESULT m_saveResult;
};

} // namespace mapi
