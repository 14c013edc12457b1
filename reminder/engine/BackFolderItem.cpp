#include "BackFolderItem.h"

#include <vector>

namespace BackFolderItem {

namespace {

struct NameInfo {
    LPCWSTR text;
    ULONG type;
};

const NameInfo kNames[] = {
    {u"ItemMessageClass", PT_STRING8}, {u"LVEntryID", PT_BINARY},         {u"LVFolderID", PT_BINARY},
    {u"LVStoreID", PT_BINARY},         {u"FolderName", PT_STRING8},       {u"StoreName", PT_STRING8},
    {u"LumivaneItem", PT_BOOLEAN},     {u"LVRecordKey", PT_BINARY},       {u"LVFolderRecordKey", PT_BINARY},
    {u"LVStoreRecordKey", PT_BINARY},  {u"ReminderMailSent", PT_BOOLEAN},
};

} // namespace

LPCWSTR NameOf(Name name)
{
    return name < std::size(kNames) ? kNames[name].text : nullptr;
}

ULONG TypeOf(Name name)
{
    return name < std::size(kNames) ? kNames[name].type : PT_UNSPECIFIED;
}

} // namespace BackFolderItem

HRESULT ResolveNamedProps(IMAPIProp* prop, std::span<const NamedProp> props, ULONG flags, LPSPropTagArray* tags)
{
    if (!tags)
        return E_INVALIDARG;
    *tags = nullptr;
    if (!prop || props.empty())
        return E_INVALIDARG;
    std::vector<MAPINAMEID> ids(props.size());
    std::vector<LPMAPINAMEID> names(props.size());
    for (std::size_t i = 0; i < props.size(); ++i) {
        ids[i].lpguid = const_cast<LPGUID>(props[i].set);
        if (props[i].name) {
            ids[i].ulKind = MNID_STRING;
            ids[i].Kind.lpwstrName = const_cast<LPWSTR>(props[i].name);
        } else {
            ids[i].ulKind = MNID_ID;
            ids[i].Kind.lID = props[i].id;
        }
        names[i] = &ids[i];
    }
    HRESULT hr = prop->GetIDsFromNames(static_cast<ULONG>(names.size()), names.data(), flags, tags);
    if (FAILED(hr))
        return hr;
    if (!*tags || (*tags)->cValues < props.size()) {
        MAPIFreeBuffer(*tags);
        *tags = nullptr;
        return E_FAIL;
    }
    for (std::size_t i = 0; i < props.size(); ++i) {
        ULONG& tag = (*tags)->aulPropTag[i];
        if (PROP_TYPE(tag) != PT_ERROR)
            tag = CHANGE_PROP_TYPE(tag, props[i].type);
    }
    return hr;
}
