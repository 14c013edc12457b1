#include "mapi/EntryId.h"

#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"

#include <cstring>

namespace mapi {

namespace {
std::uint64_t ReadLE(const BYTE* p, int n)
{
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= std::uint64_t(p[i]) << (8 * i);
    return v;
}
} // namespace

bool ParseEntryId(const void* data, std::size_t cb, ParsedEntryId& out)
{
    const auto* p = static_cast<const BYTE*>(data);
    if (!p)
        return false;
    if (cb >= 57 && std::memcmp(p + 4, kStoreWrapUid.ab, 16) == 0) {
        auto kind = KindOfProvider(p + 40, 16);
        if (!kind)
            return false;
        out = ParsedEntryId{};
        out.isStore = true;
        std::memcpy(&out.store, p + 22, 16);
        out.kind = *kind;
        out.type = MAPI_STORE;
        out.id = kStoreObjectId;
        out.path.assign(reinterpret_cast<const char*>(p + 57), cb - 57);
        return !out.path.empty();
    }
    if (cb == 48) {
        auto kind = KindOfProvider(p + 4, 16);
        if (!kind)
            return false;
        out = ParsedEntryId{};
        out.kind = *kind;
        std::memcpy(&out.store, p + 20, 16);
        out.type = static_cast<ULONG>(ReadLE(p + 36, 4));
        out.id = static_cast<std::int64_t>(ReadLE(p + 40, 8));
        return (out.type == MAPI_FOLDER || out.type == MAPI_MESSAGE) && out.id > 0;
    }
    return false;
}

bool SameEntry(const void* a, std::size_t cba, const void* b, std::size_t cbb)
{
    ParsedEntryId pa, pb;
    if (ParseEntryId(a, cba, pa) && ParseEntryId(b, cbb, pb))
        return IsEqualGUID(pa.store, pb.store) && pa.isStore == pb.isStore && pa.type == pb.type && pa.id == pb.id;
    return cba == cbb && (cba == 0 || std::memcmp(a, b, cba) == 0);
}

void AddIdentityProps(const StoreFile& file, ULONG type, std::int64_t id, PropMap& props)
{
    props.Set(PropValue::Binary(PR_ENTRYID, file.EntryIdOf(type, id)));
    props.Set(PropValue::Binary(PR_RECORD_KEY, file.RecordKeyOf(id)));
    props.Set(PropValue::Binary(PR_STORE_ENTRYID, file.StoreEntryId()));
    props.Set(PropValue::Binary(PR_STORE_RECORD_KEY, file.StoreRecordKey()));
    props.Set(PropValue::Long(PR_OBJECT_TYPE, type));
    props.Set(PropValue::Binary(PR_MAPPING_SIGNATURE, file.StoreRecordKey()));
}

} // namespace mapi
