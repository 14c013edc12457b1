// MailUser: IMailUser of a one-off recipient, opened from the address book. Read-only.
#pragma once

#include "mapi/PropObject.h"

namespace mapi {

class MailUser : public PropObject<IMailUser> {
public:
    static HRESULT Create(PropMap props, IMailUser** out);

    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_ACCESS; }
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
        return CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), lpExcludeProps, nullptr, ulFlags, lppProblems);
    }

protected:
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, IID_IMailUser); }
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
    explicit MailUser(PropMap props) : m_props(std::move(props)) {}
    PropMap m_props;
};

} // namespace mapi
