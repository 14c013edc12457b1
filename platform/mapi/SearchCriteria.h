// SearchCriteria: what a search folder searches, as the store keeps it: the restriction (in a
// compact encoding), the folders searched (entry IDs), the search flags, and, for a stopped
// search, the messages it had found.
#pragma once

#include "mapi/PropValue.h"
#include "mapi/StoreFile.h"

#include <cstdint>
#include <vector>

namespace mapi {

struct SearchCriteria {
    Bytes restriction; // EncodeRestriction form
    std::vector<Bytes> containers;
    bool recursive = false;
    bool foreground = false;
    bool stopped = false;
    std::vector<std::int64_t> frozen; // found messages of a stopped search

    Bytes Encode() const;
    // FALSE for a damaged form (the caller reports MAPI_E_CORRUPT_DATA).
    static bool Decode(const Bytes& data, SearchCriteria& out);

    // MAPI_E_TOO_COMPLEX / MAPI_E_INVALID_PARAMETER as Restriction::Compile reports them.
    static HRESULT EncodeRestriction(const SRestriction& res, Bytes& out);
    // Into caller memory chained to parent; string values in the width asked for.
    static HRESULT DecodeRestriction(const Bytes& data, void* parent, bool unicode, SRestriction& out);

    // The search state GetSearchCriteria reports.
    ULONG State() const;

    // The messages of the searched folders (and, for a recursive search, of all folders below
    // them) that match, with their properties as contents tables show them.
    HRESULT Evaluate(StoreFile& file, std::vector<std::pair<ObjectInfo, PropMap>>& out) const;
};

} // namespace mapi
