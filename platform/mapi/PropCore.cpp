#include "mapi/PropObject.h"

#include "mapi/MapiGuids.h"

#include <cstring>

namespace mapi {

HRESULT AllocTagArray(const std::vector<ULONG>& tags, LPSPropTagArray* out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(tags.size() ? tags.size() : 1)), &p);
    if (FAILED(hr))
        return hr;
    auto* arr = static_cast<LPSPropTagArray>(p);
    arr->cValues = static_cast<ULONG>(tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i)
        arr->aulPropTag[i] = tags[i];
    *out = arr;
    return S_OK;
}

HRESULT AllocProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out)
{
    if (!out)
        return S_OK;
    *out = nullptr;
    if (problems.empty())
        return S_OK;
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropProblemArray(problems.size())), &p);
    if (FAILED(hr))
        return hr;
    auto* arr = static_cast<LPSPropProblemArray>(p);
    arr->cProblem = static_cast<ULONG>(problems.size());
    for (std::size_t i = 0; i < problems.size(); ++i)
        arr->aProblem[i] = problems[i];
    *out = arr;
    return S_OK;
}

Bytes ToBytes(const void* p, std::size_t cb)
{
    return p && cb ? Bytes(static_cast<const char*>(p), cb) : Bytes();
}

bool IsExcluded(LPSPropTagArray exclude, ULONG tag)
{
    if (!exclude)
        return false;
    for (ULONG i = 0; i < exclude->cValues; ++i)
        if (PROP_ID(exclude->aulPropTag[i]) == PROP_ID(tag))
            return true;
    return false;
}

bool PropCore::RequestedIds(PropIdSet& ids) const
{
    if (!m_requested)
        return false;
    for (ULONG i = 0; i < m_requested->cValues; ++i)
        ids.Add(PROP_ID(m_requested->aulPropTag[i]));
    return true;
}

bool PropCore::Requested(ULONG id) const
{
    if (!m_requested)
        return true;
    for (ULONG i = 0; i < m_requested->cValues; ++i)
        if (PROP_ID(m_requested->aulPropTag[i]) == id)
            return true;
    return false;
}

HRESULT PropCore::DoGetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values)
{
    if (!count || !values)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    std::lock_guard lock(m_lock);
    PropMap props;
    m_requested = tags;
    HRESULT hr = CurrentProps(props);
    m_requested = nullptr;
    if (FAILED(hr))
        return hr;
    const bool unicode = (flags & MAPI_UNICODE) != 0;
    std::vector<ULONG> wanted;
    if (tags) {
        wanted.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    } else {
        for (const auto& v : props)
            if (v.type() != PT_OBJECT)
                wanted.push_back(v.ReportedTag(unicode));
    }
    void* block = nullptr;
    hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (wanted.empty() ? 1 : wanted.size())), &block);
    if (FAILED(hr))
        return hr;
    auto* out = static_cast<LPSPropValue>(block);
    bool missing = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        std::memset(&out[i], 0, sizeof(SPropValue));
        const ULONG tag = wanted[i];
        const PropValue* v = props.Find(PROP_ID(tag));
        if (v && PROP_TYPE(tag) == PT_UNSPECIFIED && !unicode && v->type() == PT_UNICODE)
            hr = v->ToSPropValue(CHANGE_PROP_TYPE(tag, PT_STRING8), out[i], block);
        else if (v && v->type() != PT_OBJECT)
            hr = v->ToSPropValue(tag, out[i], block);
        else {
            out[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
            out[i].Value.err = MAPI_E_NOT_FOUND;
            hr = S_OK;
        }
        if (FAILED(hr)) {
            MAPIFreeBuffer(block);
            return hr;
        }
        if (PROP_TYPE(out[i].ulPropTag) == PT_ERROR)
            missing = true;
    }
    *count = static_cast<ULONG>(wanted.size());
    *values = out;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT PropCore::DoGetPropList(ULONG flags, LPSPropTagArray* tags)
{
    if (!tags)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_lock);
    PropMap props;
    HRESULT hr = CurrentProps(props);
    if (FAILED(hr))
        return hr;
    std::vector<ULONG> list;
    for (const auto& v : props)
        list.push_back(v.ReportedTag((flags & MAPI_UNICODE) != 0));
    return AllocTagArray(list, tags);
}

bool PropCore::LeftOut(ULONG i, ULONG tag, std::vector<SPropProblem>& problems) const
{
    const ULONG type = PROP_TYPE(tag);
    if (PROP_ID(tag) == PROP_ID_NULL || PROP_ID(tag) == PROP_ID_INVALID || type == PT_ERROR ||
        type == PT_UNSPECIFIED || type == PT_OBJECT) {
        // PR_NULL and error values are ignored, as MAPI does
        if (type != PT_ERROR && PROP_ID(tag) != PROP_ID_NULL)
            problems.push_back({i, tag, MAPI_E_INVALID_TYPE});
        return true;
    }
    if (IsIgnoredWrite(PROP_ID(tag)))
        return true;
    if (IsComputed(PROP_ID(tag))) {
        problems.push_back({i, tag, MAPI_E_COMPUTED});
        return true;
    }
    return false;
}

HRESULT PropCore::DoSetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems)
{
    if (problems)
        *problems = nullptr;
    if (count && !values)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_lock);
    if (!Writable())
        return MAPI_E_NO_ACCESS;
    std::vector<PropValue> accepted;
    std::vector<SPropProblem> probs;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG tag = values[i].ulPropTag;
        if (LeftOut(i, tag, probs))
            continue;
        PropValue v;
        HRESULT hr = PropValue::FromSPropValue(values[i], v);
        if (FAILED(hr)) {
            probs.push_back({i, tag, hr});
            continue;
        }
        accepted.push_back(std::move(v));
    }
    HRESULT hr = WriteProps(accepted);
    if (FAILED(hr))
        return hr;
    return AllocProblems(probs, problems);
}

HRESULT PropCore::SetValues(std::vector<PropValue> values, LPSPropProblemArray* problems)
{
    if (problems)
        *problems = nullptr;
    std::lock_guard lock(m_lock);
    if (!Writable())
        return MAPI_E_NO_ACCESS;
    std::vector<PropValue> accepted;
    std::vector<SPropProblem> probs;
    for (ULONG i = 0; i < values.size(); ++i)
        if (!LeftOut(i, values[i].tag(), probs))
            accepted.push_back(std::move(values[i]));
    HRESULT hr = WriteProps(accepted);
    if (FAILED(hr))
        return hr;
    return AllocProblems(probs, problems);
}

HRESULT PropCore::DoDeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems)
{
    if (problems)
        *problems = nullptr;
    if (!tags)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_lock);
    if (!Writable())
        return MAPI_E_NO_ACCESS;
    std::vector<ULONG> ids;
    std::vector<SPropProblem> probs;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG id = PROP_ID(tags->aulPropTag[i]);
        if (IsComputed(id) || IsIgnoredWrite(id))
            probs.push_back({i, tags->aulPropTag[i], MAPI_E_COMPUTED});
        else
            ids.push_back(id);
    }
    HRESULT hr = RemoveProps(ids);
    if (FAILED(hr))
        return hr;
    return AllocProblems(probs, problems);
}

HRESULT PropCore::CopyPropsInto(IMAPIProp* dest, LPSPropTagArray exclude, LPSPropTagArray include, ULONG flags,
                                LPSPropProblemArray* problems)
{
    if (problems)
        *problems = nullptr;
    PropMap props;
    {
        std::lock_guard lock(m_lock);
        HRESULT hr = CurrentProps(props);
        if (FAILED(hr))
            return hr;
    }
    if (static_cast<PropCore*>(this) == dynamic_cast<PropCore*>(dest))
        return MAPI_E_NO_ACCESS; // copying an object onto itself
    std::vector<ULONG> tags;
    for (const auto& v : props) {
        if (v.type() == PT_OBJECT || IsComputed(v.id()) || IsIgnoredWrite(v.id()) || IsExcluded(exclude, v.tag()))
            continue;
        if (include && !IsExcluded(include, v.tag()))
            continue;
        tags.push_back(v.tag());
    }
    // The destination's tag for each copied property: named properties go by their names,
    // since another store gives the same name another id. 0: cannot be represented there.
    std::vector<ULONG> destTags;
    HRESULT hr = MapNamedTags(dest, tags, destTags);
    if (FAILED(hr))
        return hr;
    if (flags & MAPI_NOREPLACE) {
        // Keep what the destination has already.
        LPSPropTagArray present = nullptr;
        if (SUCCEEDED(dest->GetPropList(MAPI_UNICODE, &present)) && present) {
            for (ULONG& t : destTags)
                if (t && IsExcluded(present, t))
                    t = 0;
            MAPIFreeBuffer(present);
        }
    }
    std::vector<std::pair<ULONG, ULONG>> copies; // source tag, destination tag
    for (std::size_t i = 0; i < tags.size(); ++i)
        if (destTags[i])
            copies.emplace_back(tags[i], destTags[i]);
    if (copies.empty())
        return S_OK;
    if (auto* target = dynamic_cast<PropCore*>(dest)) {
        // An object of this layer takes the values as they are.
        std::vector<PropValue> values;
        values.reserve(copies.size());
        for (const auto& [from, to] : copies) {
            const PropValue* v = props.Find(PROP_ID(from));
            values.push_back(v->Retagged(PROP_TAG(v->type(), PROP_ID(to))));
        }
        return target->SetValues(std::move(values), problems);
    }
    void* block = nullptr;
    hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * copies.size()), &block);
    if (FAILED(hr))
        return hr;
    auto* vals = static_cast<LPSPropValue>(block);
    for (std::size_t i = 0; i < copies.size() && SUCCEEDED(hr); ++i) {
        hr = props.Find(PROP_ID(copies[i].first))->ToSPropValue(copies[i].second, vals[i], block);
        vals[i].ulPropTag = PROP_TAG(PROP_TYPE(vals[i].ulPropTag), PROP_ID(copies[i].second));
    }
    if (SUCCEEDED(hr))
        hr = dest->SetProps(static_cast<ULONG>(copies.size()), vals, problems);
    MAPIFreeBuffer(block);
    return hr;
}

HRESULT PropCore::MapNamedTags(IMAPIProp* dest, const std::vector<ULONG>& tags, std::vector<ULONG>& destTags)
{
    destTags = tags;
    std::vector<std::size_t> named;
    for (std::size_t i = 0; i < tags.size(); ++i)
        if (PROP_ID(tags[i]) >= 0x8000)
            named.push_back(i);
    if (named.empty())
        return S_OK;

    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(CbNewSPropTagArray(named.size()), &block);
    if (FAILED(hr))
        return hr;
    auto* sourceIds = static_cast<LPSPropTagArray>(block);
    sourceIds->cValues = static_cast<ULONG>(named.size());
    for (std::size_t k = 0; k < named.size(); ++k)
        sourceIds->aulPropTag[k] = tags[named[k]];
    ULONG count = 0;
    LPMAPINAMEID* names = nullptr;
    LPSPropTagArray destIds = nullptr;
    hr = DoGetNamesFromIDs(&sourceIds, nullptr, 0, &count, &names);
    if (SUCCEEDED(hr) && count == named.size()) {
        // Names this store does not know cannot be copied; ask only for the others.
        std::vector<LPMAPINAMEID> known;
        for (ULONG k = 0; k < count; ++k)
            if (names[k])
                known.push_back(names[k]);
        HRESULT mapped = known.empty() ? MAPI_E_NOT_FOUND
                                       : dest->GetIDsFromNames(static_cast<ULONG>(known.size()), known.data(),
                                                               MAPI_CREATE, &destIds);
        std::size_t next = 0;
        for (std::size_t k = 0; k < named.size(); ++k) {
            ULONG& t = destTags[named[k]];
            if (!names[k] || FAILED(mapped) || !destIds) {
                t = 0;
                continue;
            }
            const ULONG id = destIds->aulPropTag[next++];
            t = PROP_TYPE(id) == PT_ERROR ? 0 : PROP_TAG(PROP_TYPE(tags[named[k]]), PROP_ID(id));
        }
        hr = S_OK;
    } else if (SUCCEEDED(hr) || hr == MAPI_E_NO_SUPPORT) {
        for (std::size_t k : named)
            destTags[k] = 0;
        hr = S_OK;
    }
    MAPIFreeBuffer(destIds);
    MAPIFreeBuffer(names);
    MAPIFreeBuffer(sourceIds);
    return hr;
}

namespace {
bool IsMapiSet(const GUID* g) { return g && IsEqualGUID(*g, PS_MAPI); }
} // namespace

HRESULT PropCore::DoGetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags)
{
    if (!tags || (count && !names))
        return MAPI_E_INVALID_PARAMETER;
    *tags = nullptr;
    StoreFile* file = File();
    if (!file)
        return MAPI_E_NO_SUPPORT;
    std::vector<ULONG> out;
    bool missing = false;
    if (count == 0) {
        // No names: every named property of the store.
        HRESULT hr = file->AllNames(out);
        if (FAILED(hr))
            return hr;
        for (auto& id : out)
            id = PROP_TAG(PT_UNSPECIFIED, id);
        return AllocTagArray(out, tags);
    }
    for (ULONG i = 0; i < count; ++i) {
        const MAPINAMEID* n = names[i];
        ULONG id = 0;
        HRESULT hr = MAPI_E_NOT_FOUND;
        if (!n || !n->lpguid || (n->ulKind != MNID_ID && n->ulKind != MNID_STRING) ||
            (n->ulKind == MNID_STRING && !n->Kind.lpwstrName)) {
            hr = MAPI_E_INVALID_PARAMETER;
        } else if (IsMapiSet(n->lpguid) && n->ulKind == MNID_ID) {
            // PS_MAPI names are the ordinary property identifiers.
            id = static_cast<ULONG>(n->Kind.lID) & 0xFFFF;
            hr = id < 0x8000 && id != 0 ? S_OK : MAPI_E_NOT_FOUND;
        } else {
            std::u16string name = n->ulKind == MNID_STRING ? std::u16string(n->Kind.lpwstrName) : std::u16string();
            hr = file->IdFromName(*n->lpguid, n->ulKind, n->ulKind == MNID_ID ? n->Kind.lID : 0, name,
                                  (flags & MAPI_CREATE) != 0, id);
        }
        if (hr == MAPI_E_NOT_FOUND || hr == MAPI_E_INVALID_PARAMETER) {
            out.push_back(PROP_TAG(PT_ERROR, 0));
            missing = true;
        } else if (FAILED(hr)) {
            return hr;
        } else {
            out.push_back(PROP_TAG(PT_UNSPECIFIED, id));
        }
    }
    HRESULT hr = AllocTagArray(out, tags);
    if (FAILED(hr))
        return hr;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT PropCore::DoGetNamesFromIDs(LPSPropTagArray* tags, LPGUID set, ULONG, ULONG* count, LPMAPINAMEID** names)
{
    if (!tags || !count || !names)
        return MAPI_E_INVALID_PARAMETER;
    StoreFile* file = File();
    if (!file)
        return MAPI_E_NO_SUPPORT;
    std::vector<ULONG> ids;
    if (*tags) {
        for (ULONG i = 0; i < (*tags)->cValues; ++i)
            ids.push_back(PROP_ID((*tags)->aulPropTag[i]));
    } else {
        HRESULT hr = file->AllNames(ids);
        if (FAILED(hr))
            return hr;
    }
    struct Found {
        bool ok;
        GUID guid;
        ULONG kind;
        LONG lid;
        std::u16string name;
    };
    std::vector<Found> found;
    for (ULONG id : ids) {
        Found f{};
        f.ok = SUCCEEDED(file->NameFromId(id, f.guid, f.kind, f.lid, f.name));
        if (f.ok && set && !IsEqualGUID(*set, f.guid))
            f.ok = false;
        if (!*tags && !f.ok)
            continue;
        found.push_back(std::move(f));
    }
    if (!*tags) {
        std::vector<ULONG> listed;
        for (ULONG id : ids) {
            GUID g;
            ULONG k;
            LONG l;
            std::u16string nm;
            if (SUCCEEDED(file->NameFromId(id, g, k, l, nm)) && (!set || IsEqualGUID(*set, g)))
                listed.push_back(PROP_TAG(PT_UNSPECIFIED, id));
        }
        HRESULT hr = AllocTagArray(listed, tags);
        if (FAILED(hr))
            return hr;
    }
    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(LPMAPINAMEID) * (found.empty() ? 1 : found.size())),
                                    &block);
    if (FAILED(hr))
        return hr;
    auto* arr = static_cast<LPMAPINAMEID*>(block);
    bool missing = false;
    for (std::size_t i = 0; i < found.size(); ++i) {
        arr[i] = nullptr;
        if (!found[i].ok) {
            missing = true;
            continue;
        }
        void* p = nullptr;
        MAPIAllocateMore(sizeof(MAPINAMEID), block, &p);
        auto* n = static_cast<LPMAPINAMEID>(p);
        MAPIAllocateMore(sizeof(GUID), block, &p);
        n->lpguid = static_cast<LPGUID>(p);
        *n->lpguid = found[i].guid;
        n->ulKind = found[i].kind;
        if (n->ulKind == MNID_ID) {
            n->Kind.lID = found[i].lid;
        } else {
            MAPIAllocateMore(static_cast<ULONG>((found[i].name.size() + 1) * sizeof(WCHAR)), block, &p);
            n->Kind.lpwstrName = static_cast<LPWSTR>(p);
            std::memcpy(n->Kind.lpwstrName, found[i].name.c_str(), (found[i].name.size() + 1) * sizeof(WCHAR));
        }
        arr[i] = n;
    }
    *count = static_cast<ULONG>(found.size());
    *names = arr;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

} // namespace mapi
