#include "mapi/SearchCriteria.h"

#include "mapi/EntryId.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiUtil.h"
#include "mapi/Message.h"
#include "mapi/Restriction.h"

#include <cstring>
#include <memory>
#include <set>

namespace mapi {

namespace {

constexpr int kMaxDepth = 64;

void PutU32(Bytes& out, std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }
void PutBytes(Bytes& out, const Bytes& b)
{
    PutU32(out, static_cast<std::uint32_t>(b.size()));
    out += b;
}

struct Reader {
    const Bytes& data;
    std::size_t pos = 0;
    bool ok = true;
    std::uint32_t U32()
    {
        std::uint32_t v = 0;
        if (pos + sizeof v > data.size()) {
            ok = false;
            return 0;
        }
        std::memcpy(&v, data.data() + pos, sizeof v);
        pos += sizeof v;
        return v;
    }
    Bytes Blob()
    {
        const std::uint32_t n = U32();
        if (!ok || n > data.size() - pos) {
            ok = false;
            return {};
        }
        Bytes b = data.substr(pos, n);
        pos += n;
        return b;
    }
};

HRESULT EncodeProp(const SPropValue* v, Bytes& out)
{
    if (!v)
        return MAPI_E_INVALID_PARAMETER;
    PropValue pv;
    HRESULT hr = PropValue::FromSPropValue(*v, pv);
    if (FAILED(hr))
        return hr;
    PutU32(out, pv.tag());
    PutBytes(out, pv.Serialize());
    return S_OK;
}

HRESULT EncodeTree(const SRestriction& r, Bytes& out, int depth)
{
    if (depth > kMaxDepth)
        return MAPI_E_TOO_COMPLEX;
    PutU32(out, r.rt);
    HRESULT hr = S_OK;
    switch (r.rt) {
    case RES_AND:
    case RES_OR: {
        const ULONG count = r.rt == RES_AND ? r.res.resAnd.cRes : r.res.resOr.cRes;
        const SRestriction* children = r.rt == RES_AND ? r.res.resAnd.lpRes : r.res.resOr.lpRes;
        if (count && !children)
            return MAPI_E_INVALID_PARAMETER;
        PutU32(out, count);
        for (ULONG i = 0; i < count && SUCCEEDED(hr); ++i)
            hr = EncodeTree(children[i], out, depth + 1);
        return hr;
    }
    case RES_NOT:
        if (!r.res.resNot.lpRes)
            return MAPI_E_INVALID_PARAMETER;
        return EncodeTree(*r.res.resNot.lpRes, out, depth + 1);
    case RES_CONTENT:
        PutU32(out, r.res.resContent.ulFuzzyLevel);
        PutU32(out, r.res.resContent.ulPropTag);
        return EncodeProp(r.res.resContent.lpProp, out);
    case RES_PROPERTY:
        PutU32(out, r.res.resProperty.relop);
        PutU32(out, r.res.resProperty.ulPropTag);
        return EncodeProp(r.res.resProperty.lpProp, out);
    case RES_COMPAREPROPS:
        PutU32(out, r.res.resCompareProps.relop);
        PutU32(out, r.res.resCompareProps.ulPropTag1);
        PutU32(out, r.res.resCompareProps.ulPropTag2);
        return S_OK;
    case RES_BITMASK:
        PutU32(out, r.res.resBitMask.relBMR);
        PutU32(out, r.res.resBitMask.ulPropTag);
        PutU32(out, r.res.resBitMask.ulMask);
        return S_OK;
    case RES_SIZE:
        PutU32(out, r.res.resSize.relop);
        PutU32(out, r.res.resSize.ulPropTag);
        PutU32(out, r.res.resSize.cb);
        return S_OK;
    case RES_EXIST:
        PutU32(out, r.res.resExist.ulPropTag);
        return S_OK;
    case RES_SUBRESTRICTION:
        if (!r.res.resSub.lpRes)
            return MAPI_E_INVALID_PARAMETER;
        PutU32(out, r.res.resSub.ulSubObject);
        return EncodeTree(*r.res.resSub.lpRes, out, depth + 1);
    case RES_COMMENT:
        PutU32(out, r.res.resComment.cValues);
        for (ULONG i = 0; i < r.res.resComment.cValues && SUCCEEDED(hr); ++i)
            hr = EncodeProp(r.res.resComment.lpProp ? &r.res.resComment.lpProp[i] : nullptr, out);
        if (FAILED(hr))
            return hr;
        PutU32(out, r.res.resComment.lpRes ? 1 : 0);
        return r.res.resComment.lpRes ? EncodeTree(*r.res.resComment.lpRes, out, depth + 1) : S_OK;
    default:
        return MAPI_E_TOO_COMPLEX;
    }
}

HRESULT DecodeProp(Reader& in, void* parent, bool unicode, LPSPropValue& out)
{
    const ULONG tag = in.U32();
    const Bytes data = in.Blob();
    PropValue pv;
    if (!in.ok || !PropValue::Deserialize(tag, data.data(), data.size(), pv))
        return MAPI_E_CORRUPT_DATA;
    HRESULT hr = MAPIAllocateMore(sizeof(SPropValue), parent, reinterpret_cast<void**>(&out));
    if (FAILED(hr))
        return hr;
    std::memset(out, 0, sizeof(SPropValue));
    return pv.ToSPropValue(pv.ReportedTag(unicode), *out, parent);
}

HRESULT DecodeTree(Reader& in, void* parent, bool unicode, SRestriction& r, int depth)
{
    if (depth > kMaxDepth)
        return MAPI_E_CORRUPT_DATA;
    std::memset(&r, 0, sizeof r);
    r.rt = in.U32();
    auto child = [&](LPSRestriction& p, ULONG count) -> HRESULT {
        if (count > in.data.size())
            return MAPI_E_CORRUPT_DATA;
        HRESULT h = MAPIAllocateMore(static_cast<ULONG>(sizeof(SRestriction) * (count ? count : 1)), parent,
                                     reinterpret_cast<void**>(&p));
        for (ULONG i = 0; i < count && SUCCEEDED(h); ++i)
            h = DecodeTree(in, parent, unicode, p[i], depth + 1);
        return h;
    };
    switch (r.rt) {
    case RES_AND:
        r.res.resAnd.cRes = in.U32();
        return in.ok ? child(r.res.resAnd.lpRes, r.res.resAnd.cRes) : MAPI_E_CORRUPT_DATA;
    case RES_OR:
        r.res.resOr.cRes = in.U32();
        return in.ok ? child(r.res.resOr.lpRes, r.res.resOr.cRes) : MAPI_E_CORRUPT_DATA;
    case RES_NOT:
        return child(r.res.resNot.lpRes, 1);
    case RES_CONTENT:
        r.res.resContent.ulFuzzyLevel = in.U32();
        r.res.resContent.ulPropTag = in.U32();
        if (HRESULT h = DecodeProp(in, parent, unicode, r.res.resContent.lpProp); FAILED(h))
            return h;
        r.res.resContent.ulPropTag = r.res.resContent.lpProp->ulPropTag;
        return S_OK;
    case RES_PROPERTY:
        r.res.resProperty.relop = in.U32();
        r.res.resProperty.ulPropTag = in.U32();
        if (HRESULT h = DecodeProp(in, parent, unicode, r.res.resProperty.lpProp); FAILED(h))
            return h;
        if (PROP_TYPE(r.res.resProperty.ulPropTag) == PT_STRING8 || PROP_TYPE(r.res.resProperty.ulPropTag) == PT_UNICODE)
            r.res.resProperty.ulPropTag = r.res.resProperty.lpProp->ulPropTag;
        return S_OK;
    case RES_COMPAREPROPS:
        r.res.resCompareProps.relop = in.U32();
        r.res.resCompareProps.ulPropTag1 = in.U32();
        r.res.resCompareProps.ulPropTag2 = in.U32();
        break;
    case RES_BITMASK:
        r.res.resBitMask.relBMR = in.U32();
        r.res.resBitMask.ulPropTag = in.U32();
        r.res.resBitMask.ulMask = in.U32();
        break;
    case RES_SIZE:
        r.res.resSize.relop = in.U32();
        r.res.resSize.ulPropTag = in.U32();
        r.res.resSize.cb = in.U32();
        break;
    case RES_EXIST:
        r.res.resExist.ulPropTag = in.U32();
        break;
    case RES_SUBRESTRICTION:
        r.res.resSub.ulSubObject = in.U32();
        return in.ok ? child(r.res.resSub.lpRes, 1) : MAPI_E_CORRUPT_DATA;
    case RES_COMMENT: {
        const ULONG n = in.U32();
        if (!in.ok || n > in.data.size())
            return MAPI_E_CORRUPT_DATA;
        r.res.resComment.cValues = n;
        HRESULT h = MAPIAllocateMore(static_cast<ULONG>(sizeof(SPropValue) * (n ? n : 1)), parent,
                                     reinterpret_cast<void**>(&r.res.resComment.lpProp));
        for (ULONG i = 0; i < n && SUCCEEDED(h); ++i) {
            LPSPropValue v = nullptr;
            if (SUCCEEDED(h = DecodeProp(in, parent, unicode, v)))
                r.res.resComment.lpProp[i] = *v;
        }
        if (FAILED(h))
            return h;
        if (in.U32() == 1)
            return child(r.res.resComment.lpRes, 1);
        break;
    }
    default:
        return MAPI_E_CORRUPT_DATA;
    }
    return in.ok ? S_OK : MAPI_E_CORRUPT_DATA;
}

} // namespace

HRESULT SearchCriteria::EncodeRestriction(const SRestriction& res, Bytes& out)
{
    std::unique_ptr<Restriction> compiled;
    HRESULT hr = Restriction::Compile(res, compiled); // the store must be able to evaluate it
    if (FAILED(hr))
        return hr;
    out.clear();
    return EncodeTree(res, out, 0);
}

HRESULT SearchCriteria::DecodeRestriction(const Bytes& data, void* parent, bool unicode, SRestriction& out)
{
    Reader in{data};
    HRESULT hr = DecodeTree(in, parent, unicode, out, 0);
    if (SUCCEEDED(hr) && in.pos != data.size())
        hr = MAPI_E_CORRUPT_DATA;
    return hr;
}

Bytes SearchCriteria::Encode() const
{
    Bytes out = "SC1";
    PutBytes(out, restriction);
    PutU32(out, static_cast<std::uint32_t>(containers.size()));
    for (const auto& c : containers)
        PutBytes(out, c);
    PutU32(out, (recursive ? 1u : 0u) | (foreground ? 2u : 0u) | (stopped ? 4u : 0u));
    PutU32(out, static_cast<std::uint32_t>(frozen.size()));
    for (std::int64_t id : frozen) {
        PutU32(out, static_cast<std::uint32_t>(id));
        PutU32(out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(id) >> 32));
    }
    return out;
}

bool SearchCriteria::Decode(const Bytes& data, SearchCriteria& out)
{
    if (data.compare(0, 3, "SC1") != 0)
        return false;
    Reader in{data, 3};
    SearchCriteria c;
    c.restriction = in.Blob();
    const std::uint32_t n = in.U32();
    for (std::uint32_t i = 0; in.ok && i < n; ++i)
        c.containers.push_back(in.Blob());
    const std::uint32_t flags = in.U32();
    c.recursive = flags & 1;
    c.foreground = flags & 2;
    c.stopped = flags & 4;
    const std::uint32_t frozen = in.U32();
    for (std::uint32_t i = 0; in.ok && i < frozen; ++i) {
        const std::uint64_t lo = in.U32();
        const std::uint64_t hi = in.U32();
        c.frozen.push_back(static_cast<std::int64_t>(lo | (hi << 32)));
    }
    if (!in.ok || in.pos != data.size())
        return false;
    out = std::move(c);
    return true;
}

ULONG SearchCriteria::State() const
{
    return (stopped ? 0 : SEARCH_RUNNING) | (recursive ? SEARCH_RECURSIVE : 0) | (foreground ? SEARCH_FOREGROUND : 0);
}

HRESULT SearchCriteria::Evaluate(StoreFile& file, std::vector<std::pair<ObjectInfo, PropMap>>& out) const
{
    out.clear();
    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(sizeof(SRestriction), &block);
    if (FAILED(hr))
        return hr;
    std::unique_ptr<Restriction> compiled;
    hr = DecodeRestriction(restriction, block, true, *static_cast<LPSRestriction>(block));
    if (SUCCEEDED(hr))
        hr = Restriction::Compile(*static_cast<LPSRestriction>(block), compiled);
    MAPIFreeBuffer(block);
    if (FAILED(hr))
        return hr;

    std::lock_guard lock(file.mutex());
    // The folders searched, each once.
    std::vector<std::int64_t> folders;
    std::set<std::int64_t> seen;
    for (const auto& eid : containers) {
        ParsedEntryId p;
        if (!ParseEntryId(eid.data(), eid.size(), p) || p.isStore || p.type != MAPI_FOLDER ||
            std::memcmp(&p.store, &file.guid(), sizeof(GUID)) != 0)
            continue; // a folder of another store or one since deleted finds nothing
        ObjectInfo info;
        if (FAILED(file.GetObject(p.id, info)) || info.type != MAPI_FOLDER)
            continue;
        if (seen.insert(p.id).second)
            folders.push_back(p.id);
    }
    for (std::size_t i = 0; recursive && i < folders.size(); ++i) {
        std::vector<ObjectInfo> children;
        if (FAILED(hr = file.Children(folders[i], MAPI_FOLDER, std::nullopt, children)))
            return hr;
        for (const auto& c : children)
            if (seen.insert(c.id).second)
                folders.push_back(c.id);
    }
    for (std::int64_t folder : folders) {
        std::vector<std::pair<ObjectInfo, PropMap>> messages;
        if (FAILED(hr = file.LoadChildren(folder, MAPI_MESSAGE, false, messages)))
            return hr;
        for (auto& [info, props] : messages) {
            AddMessageComputed(file, info.id, folder, props);
            const std::int64_t id = info.id;
            auto sub = [&file, id](ULONG subObject) {
                std::vector<PropMap> rows;
                std::vector<std::pair<ObjectInfo, PropMap>> children;
                const ULONG type = subObject == PR_MESSAGE_RECIPIENTS ? MAPI_MAILUSER : MAPI_ATTACH;
                if (SUCCEEDED(file.LoadChildren(id, type, std::nullopt, children)))
                    for (auto& c : children)
                        rows.push_back(std::move(c.second));
                return rows;
            };
            if (compiled->Match(props, sub))
                out.emplace_back(info, std::move(props));
        }
    }
    return S_OK;
}

} // namespace mapi
