// PropObject<I>: the IMAPIProp part shared by stores, folders, messages and attachments. A
// concrete object supplies its current properties, how it writes and removes them, and which
// interfaces it answers to.
#pragma once

#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/PropIdSet.h"
#include "mapi/PropMap.h"
#include "mapi/StoreFile.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace mapi {

// The IMAPIProp members in terms of a few hooks, for any interface derived from IMAPIProp.
class PropCore {
public:
    virtual ~PropCore() = default;

protected:
    // All properties the object has now, computed ones included.
    virtual HRESULT CurrentProps(PropMap& out) = 0;
    // While GetProps with a tag list runs: whether the caller asked for the property (always
    // true otherwise). Providers use it to skip values that are costly to compute.
    bool Requested(ULONG id) const;
    // The same as a set: false when every property is wanted.
    bool RequestedIds(PropIdSet& ids) const;
    // Stores values (computed properties are filtered out before).
    virtual HRESULT WriteProps(const std::vector<PropValue>& values) = 0;
    virtual HRESULT RemoveProps(const std::vector<ULONG>& ids) = 0;
    // Properties the provider computes; writes of them are refused with MAPI_E_COMPUTED.
    virtual bool IsComputed(ULONG id) const = 0;
    // Writes of these are accepted and change nothing (the value is the object's own).
    virtual bool IsIgnoredWrite(ULONG) const { return false; }
    virtual bool Writable() const = 0;
    virtual StoreFile* File() const = 0;

    HRESULT DoGetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values);
    HRESULT DoGetPropList(ULONG flags, LPSPropTagArray* tags);
    HRESULT DoSetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems);
    // SetProps with values already in this layer's form, as a copy between two of its objects
    // hands them over: the same checks, and a large value shared instead of copied.
    HRESULT SetValues(std::vector<PropValue> values, LPSPropProblemArray* problems);
    HRESULT DoDeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems);
    // Copies the properties (all but the excluded, or only the included) into dest.
    HRESULT CopyPropsInto(IMAPIProp* dest, LPSPropTagArray exclude, LPSPropTagArray include, ULONG flags,
                          LPSPropProblemArray* problems);
    // Named properties by name: the destination's tag for each source tag (0 where the name is
    // unknown here or cannot be made there).
    HRESULT MapNamedTags(IMAPIProp* dest, const std::vector<ULONG>& tags, std::vector<ULONG>& destTags);
    HRESULT DoGetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags);
    HRESULT DoGetNamesFromIDs(LPSPropTagArray* tags, LPGUID set, ULONG flags, ULONG* count, LPMAPINAMEID** names);

    std::recursive_mutex m_lock;

private:
    // Whether SetProps leaves the i-th value out; a refused value gets a problem entry.
    bool LeftOut(ULONG i, ULONG tag, std::vector<SPropProblem>& problems) const;

    LPSPropTagArray m_requested = nullptr;
};

template <class I>
class PropObject : public I, public PropCore {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIProp) || Supports(riid)) {
            *ppv = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG r = --m_refs;
        if (r == 0)
            delete this;
        return r;
    }

    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override
    {
        if (lppMAPIError)
            *lppMAPIError = nullptr;
        return S_OK;
    }
    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                     LPSPropValue* lppPropArray) override
    {
        return DoGetProps(lpPropTagArray, ulFlags, lpcValues, lppPropArray);
    }
    HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override
    {
        return DoGetPropList(ulFlags, lppPropTagArray);
    }
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override
    {
        return DoSetProps(cValues, lpPropArray, lppProblems);
    }
    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override
    {
        return DoDeleteProps(lpPropTagArray, lppProblems);
    }
    HRESULT CopyProps(LPSPropTagArray lpIncludeProps, ULONG_PTR, LPMAPIPROGRESS, LPCIID lpInterface,
                      LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) override
    {
        if (!lpIncludeProps || !lpDestObj)
            return MAPI_E_INVALID_PARAMETER;
        if (lpInterface && !Supports(*lpInterface) && !IsEqualIID(*lpInterface, IID_IMAPIProp))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        return CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), nullptr, lpIncludeProps, ulFlags, lppProblems);
    }
    HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                            ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) override
    {
        return DoGetNamesFromIDs(lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames, lpppPropNames);
    }
    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                            LPSPropTagArray* lppPropTags) override
    {
        return DoGetIDsFromNames(cPropNames, lppPropNames, ulFlags, lppPropTags);
    }

protected:
    virtual bool Supports(REFIID riid) const = 0;

private:
    std::atomic<ULONG> m_refs{1};
};

// Small helpers shared by the objects.
HRESULT AllocTagArray(const std::vector<ULONG>& tags, LPSPropTagArray* out);
HRESULT AllocProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out);
Bytes ToBytes(const void* p, std::size_t cb);
bool IsExcluded(LPSPropTagArray exclude, ULONG tag);

} // namespace mapi
