#include "ConflictList.h"

#include "ConflictResource.h"
#include "FolderPath.h"
#include "ToolStrings.h"

#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <algorithm>

namespace {

std::string UpperHex(const SBinary& bin)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bin.cb * 2);
    for (ULONG i = 0; i < bin.cb; ++i) {
        text += kDigits[bin.lpb[i] >> 4];
        text += kDigits[bin.lpb[i] & 0x0F];
    }
    return text;
}

// The record key of the folder a conflict names, in hex; "" when it cannot be read.
std::string FolderKey(HRESULT hr, IUnknown* unknown)
{
    if (FAILED(hr) || !unknown)
        return {};
    ComPtr<IMAPIFolder> folder;
    if (FAILED(unknown->QueryInterface(IID_IMAPIFolder, folder.put_void())) || !folder)
        return {};
    LPSPropValue key = nullptr;
    if (FAILED(HrGetOneProp(folder.get(), PR_RECORD_KEY, &key)) || !key)
        return {};
    std::string text = UpperHex(key->Value.bin);
    MAPIFreeBuffer(key);
    return text;
}

ComPtr<IMAPIFolder> FolderOf(HRESULT hr, IUnknown* unknown)
{
    ComPtr<IMAPIFolder> folder;
    if (SUCCEEDED(hr) && unknown)
        unknown->QueryInterface(IID_IMAPIFolder, folder.put_void());
    return folder;
}

// Subject and time of one side's message; a message that cannot be opened leaves them as they
// are.
void ReadMessageInfo(HRESULT hr, IUnknown* unknown, std::string& subject, FILETIME& time)
{
    if (FAILED(hr) || !unknown)
        return;
    ComPtr<IMessage> message;
    if (FAILED(unknown->QueryInterface(IID_IMessage, message.put_void())) || !message)
        return;
    SizedSPropTagArray(2, tags) = {2, {PR_LAST_MODIFICATION_TIME, PR_SUBJECT_A}};
    ULONG count = 0;
    LPSPropValue props = nullptr;
    if (FAILED(message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props)) || !props)
        return;
    if (count == 2) {
        if (props[0].ulPropTag == PR_LAST_MODIFICATION_TIME)
            time = props[0].Value.ft;
        if (props[1].ulPropTag == PR_SUBJECT_A) {
            subject = props[1].Value.lpszA ? props[1].Value.lpszA : "";
            if (subject.empty())
                subject = LoadResString(IDS_UNTITLED);
        }
    }
    MAPIFreeBuffer(props);
}

} // namespace

std::string GetFolderPairKey(IConflict* conflict)
{
    SHORT type = 0;
    if (!conflict || FAILED(conflict->get_Type(&type)) || type == 99)
        return {};
    ComPtr<IUnknown> destination, source;
    const HRESULT hrDst = conflict->get_DestinationFolder(destination.put());
    const HRESULT hrSrc = conflict->get_SourceFolder(source.put());
    return FolderKey(hrDst, destination.get()) + "-" + FolderKey(hrSrc, source.get());
}

void ReadConflictMessageInfo(IConflict* conflict, ConflictEntry& entry)
{
    if (!conflict)
        return;
    SHORT type = entry.nType;
    if (SUCCEEDED(conflict->get_Type(&type)))
        entry.nType = type;
    ComPtr<IUnknown> destination;
    HRESULT hr = conflict->get_DestinationMessage(destination.put());
    ReadMessageInfo(hr, destination.get(), entry.strDstSubject, entry.ftDstTime);
    ComPtr<IUnknown> source;
    hr = conflict->get_SourceMessage(source.put());
    ReadMessageInfo(hr, source.get(), entry.strSrcSubject, entry.ftSrcTime);
}

bool CConflictList::EntryBefore(const ConflictEntry& a, const ConflictEntry& b)
{
    if (a.nType != b.nType)
        return a.nType < b.nType;
    if (const LONG order = CompareFileTime(&a.ftDstTime, &b.ftDstTime); order != 0)
        return order < 0;
    if (const int order = a.strDstSubject.compare(b.strDstSubject); order != 0)
        return order < 0;
    return a.nIndex < b.nIndex;
}

void CConflictList::AddFolderPair(const std::string& key, IConflict* conflict)
{
    if (m_folderPairs.contains(key))
        return;
    if (!m_bStoresRead) {
        m_bStoresRead = true;
        if (FAILED(m_pProfile->get_Destination(m_pLocalStore.put())))
            m_pLocalStore.Release();
        if (FAILED(m_pProfile->get_Source(m_pGlobalStore.put())))
            m_pGlobalStore.Release();
    }
    // A pair whose stores the profile cannot give is not known: its header reads "?".
    if (!m_pLocalStore || !m_pGlobalStore)
        return;
    ConflictFolderPair pair;
    pair.strKey = key;
    ComPtr<IUnknown> unknown;
    HRESULT hr = conflict->get_DestinationFolder(unknown.put());
    pair.strLocalPath = GetFolderPath(FolderOf(hr, unknown.get()).get(), m_pLocalStore.get());
    unknown.Release();
    hr = conflict->get_SourceFolder(unknown.put());
    pair.strGlobalPath = GetFolderPath(FolderOf(hr, unknown.get()).get(), m_pGlobalStore.get());
    m_folderPairs.emplace(key, std::move(pair));
}

ConflictFolderPair* CConflictList::NewHeader(const std::string& key)
{
    auto header = std::make_unique<ConflictFolderPair>();
    header->strKey = key;
    if (const auto it = m_folderPairs.find(key); it != m_folderPairs.end()) {
        header->strLocalPath = it->second.strLocalPath;
        header->strGlobalPath = it->second.strGlobalPath;
    } else {
        header->strLocalPath = "?";
        header->strGlobalPath = "?";
    }
    m_headers.push_back(std::move(header));
    return m_headers.back().get();
}

int CConflictList::Load(IConflicts* conflicts, IProfile* profile)
{
    m_pConflicts = conflicts;
    m_pProfile = profile;
    m_deleteList.clear();
    m_changeList.clear();
    m_folderPairs.clear();
    m_keys.clear();
    m_entries.clear();
    m_headers.clear();
    m_bStoresRead = false;
    m_pLocalStore.Release();
    m_pGlobalStore.Release();

    LONG count = 0;
    if (!conflicts || FAILED(conflicts->get_Count(&count)) || count < 0)
        count = 0;
    m_deleteList.reserve(static_cast<std::size_t>(count));
    m_changeList.reserve(static_cast<std::size_t>(count));

    int unreadable = 0;
    std::map<std::string, std::vector<ConflictEntry*>> deletions;
    std::map<std::string, std::vector<ConflictEntry*>> changes;
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IConflict> conflict;
        if (FAILED(conflicts->get_Items(i, conflict.put())) || !conflict)
            continue; // neither listed nor counted
        const std::string key = GetFolderPairKey(conflict.get());
        if (key.empty()) {
            ++unreadable;
            continue;
        }
        auto entry = std::make_unique<ConflictEntry>();
        entry->nIndex = static_cast<int>(i);
        entry->strKey = key;
        m_keys.insert(key);
        if (m_pProfile)
            AddFolderPair(key, conflict.get());
        ReadConflictMessageInfo(conflict.get(), *entry);
        auto& groups = entry->nType == 5 || entry->nType == 6 ? deletions : changes;
        groups[key].push_back(entry.get());
        m_entries.push_back(std::move(entry));
    }

    for (const std::string& key : m_keys) {
        for (auto* groups : {&deletions, &changes}) {
            const auto it = groups->find(key);
            if (it == groups->end())
                continue;
            auto& list = groups == &deletions ? m_deleteList : m_changeList;
            auto& group = it->second;
            std::stable_sort(group.begin(), group.end(),
                             [](const ConflictEntry* a, const ConflictEntry* b) { return EntryBefore(*a, *b); });
            list.push_back(ConflictRow{NewHeader(key), nullptr});
            for (ConflictEntry* entry : group)
                list.push_back(ConflictRow{nullptr, entry});
        }
    }
    return unreadable;
}
