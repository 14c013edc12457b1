// A second process for the MAPI tests: opens a store by path or entry ID and writes or reads it.
#include "com/ComPtr.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

std::string FromHex(const std::string& hex)
{
    std::string out(hex.size() / 2, '\0');
    if (!FBinFromHex(const_cast<char*>(hex.c_str()), reinterpret_cast<LPBYTE>(out.data())))
        std::exit(3);
    return out;
}

ComPtr<IMAPIFolder> OpenFolder(IMsgStore* store, const std::string& eid)
{
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    if (FAILED(store->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), &IID_IMAPIFolder, MAPI_MODIFY, &type,
                                unk.put())))
        std::exit(4);
    ComPtr<IMAPIFolder> f;
    f.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
    return f;
}

// A message whose parts all derive from its subject, so that a reader can check it is whole.
HRESULT WriteMessage(IMAPIFolder* folder, const std::string& subject, int attachments, size_t dataSize)
{
    ComPtr<IMessage> msg;
    HRESULT hr = folder->CreateMessage(nullptr, 0, msg.put());
    if (FAILED(hr))
        return hr;
    std::string body;
    while (body.size() < dataSize)
        body += subject + ";";
    SPropValue props[2] = {};
    props[0].ulPropTag = PR_SUBJECT_A;
    props[0].Value.lpszA = const_cast<char*>(subject.c_str());
    props[1].ulPropTag = PR_BODY_A;
    props[1].Value.lpszA = body.data();
    if (FAILED(hr = msg->SetProps(2, props, nullptr)))
        return hr;
    for (int i = 0; i < attachments; ++i) {
        ComPtr<IAttach> att;
        ULONG num = 0;
        if (FAILED(hr = msg->CreateAttach(nullptr, 0, &num, att.put())))
            return hr;
        SPropValue data{};
        data.ulPropTag = PR_ATTACH_DATA_BIN;
        data.Value.bin = {ULONG(body.size()), reinterpret_cast<LPBYTE>(body.data())};
        if (FAILED(hr = HrSetOneProp(att.get(), &data)) || FAILED(hr = att->SaveChanges(0)))
            return hr;
    }
    return msg->SaveChanges(0);
}

std::vector<std::string> EntryIds(IMAPIFolder* folder)
{
    std::vector<std::string> out;
    ComPtr<IMAPITable> table;
    if (FAILED(folder->GetContentsTable(0, table.put())))
        return out;
    SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    if (FAILED(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows)))
        return out;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SBinary& b = rows->aRow[i].lpProps[0].Value.bin;
        out.emplace_back(reinterpret_cast<const char*>(b.lpb), b.cb);
    }
    FreeProws(rows);
    return out;
}

HRESULT Churn(IMsgStore* store, IMAPIFolder* a, IMAPIFolder* b, int count)
{
    for (int i = 0; i < count; ++i) {
        IMAPIFolder* from = std::rand() % 2 ? a : b;
        IMAPIFolder* to = from == a ? b : a;
        auto ids = EntryIds(from);
        const int op = ids.empty() ? 0 : std::rand() % 4;
        HRESULT hr = S_OK;
        if (op == 0) {
            ComPtr<IMessage> msg;
            if (FAILED(hr = from->CreateMessage(nullptr, 0, msg.put())))
                return hr;
            SPropValue v[2] = {};
            std::string subject = "w" + std::to_string(std::rand() % 50);
            v[0].ulPropTag = PR_SUBJECT_A;
            v[0].Value.lpszA = subject.data();
            v[1].ulPropTag = PR_IMPORTANCE;
            v[1].Value.l = std::rand() % 3;
            if (FAILED(hr = msg->SetProps(2, v, nullptr)) || FAILED(hr = msg->SaveChanges(0)))
                return hr;
            continue;
        }
        std::string& id = ids[static_cast<std::size_t>(std::rand()) % ids.size()];
        SBinary bin{ULONG(id.size()), reinterpret_cast<LPBYTE>(id.data())};
        ENTRYLIST list{1, &bin};
        if (op == 1) {
            ComPtr<IUnknown> unk;
            ULONG type = 0;
            if (FAILED(hr = store->OpenEntry(bin.cb, reinterpret_cast<LPENTRYID>(bin.lpb), nullptr, MAPI_MODIFY,
                                             &type, unk.put())))
                return hr;
            auto* msg = static_cast<IMessage*>(unk.get());
            SPropValue v{};
            v.ulPropTag = PR_IMPORTANCE;
            v.Value.l = std::rand() % 3;
            if (FAILED(hr = HrSetOneProp(msg, &v)) || FAILED(hr = msg->SaveChanges(0)))
                return hr;
        } else if (op == 2) {
            if (FAILED(hr = from->CopyMessages(&list, nullptr, to, 0, nullptr, MESSAGE_MOVE)))
                return hr;
        } else if (FAILED(hr = from->DeleteMessages(&list, 0, nullptr, 0))) {
            return hr;
        }
    }
    return S_OK;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string cmd = argv[1];
    if (cmd == "add" && argc == 6) {
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(argv[2], MDB_WRITE, store.put())))
            return 5;
        auto folder = OpenFolder(store.get(), FromHex(argv[3]));
        const int count = std::atoi(argv[4]);
        for (int i = 0; i < count; ++i) {
            HRESULT hr = WriteMessage(folder.get(), std::string(argv[5]) + std::to_string(i), 1, 64);
            if (FAILED(hr)) {
                std::fprintf(stderr, "save failed %08x\n", static_cast<unsigned>(hr));
                return 6;
            }
        }
        return 0;
    }
    if (cmd == "saveloop" && argc == 4) {
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(argv[2], MDB_WRITE, store.put())))
            return 5;
        auto folder = OpenFolder(store.get(), FromHex(argv[3]));
        for (int i = 0;; ++i) {
            if (FAILED(WriteMessage(folder.get(), "loop" + std::to_string(i), 3, 200000)))
                return 6;
            std::printf("saved %d\n", i); // the save is committed when this line is seen
            std::fflush(stdout);
        }
    }
    if (cmd == "named" && argc == 3) {
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(argv[2], MDB_WRITE, store.put())))
            return 5;
        GUID set = MakeGuid("0A0B0C0D-1111-2222-3333-444455556666");
        WCHAR name[] = u"PRS_LAST_SYNC";
        MAPINAMEID id{&set, MNID_STRING, {}};
        id.Kind.lpwstrName = name;
        LPMAPINAMEID list = &id;
        LPSPropTagArray tags = nullptr;
        if (FAILED(store->GetIDsFromNames(1, &list, MAPI_CREATE, &tags)))
            return 6;
        std::printf("%04x\n", static_cast<unsigned>(PROP_ID(tags->aulPropTag[0])));
        MAPIFreeBuffer(tags);
        return 0;
    }
    if (cmd == "open" && argc == 4) {
        const std::string storeEid = FromHex(argv[2]);
        const std::string msgEid = FromHex(argv[3]);
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreByEntryId(storeEid.data(), storeEid.size(), 0, store.put())))
            return 5;
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        if (FAILED(store->OpenEntry(ULONG(msgEid.size()), (LPENTRYID)msgEid.data(), nullptr, 0, &type, unk.put())))
            return 6;
        LPSPropValue subject = nullptr;
        if (FAILED(HrGetOneProp(static_cast<IMessage*>(unk.get()), PR_SUBJECT_A, &subject)))
            return 7;
        std::printf("%s\n", subject->Value.lpszA);
        MAPIFreeBuffer(subject);
        return 0;
    }
    if (cmd == "churn" && argc == 7) {
        // Random adds, changes, moves and deletes between two folders, the same series for a seed.
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(argv[2], MDB_WRITE, store.put())))
            return 5;
        auto a = OpenFolder(store.get(), FromHex(argv[3]));
        auto b = OpenFolder(store.get(), FromHex(argv[4]));
        std::srand(static_cast<unsigned>(std::atoi(argv[5])));
        const int count = std::atoi(argv[6]);
        return Churn(store.get(), a.get(), b.get(), count) == S_OK ? 0 : 6;
    }
    if (cmd == "stamp" && argc == 4) {
        // Adds one message and prints the monotonic time (ns) at which its save was committed.
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(argv[2], MDB_WRITE, store.put())))
            return 5;
        auto folder = OpenFolder(store.get(), FromHex(argv[3]));
        if (FAILED(WriteMessage(folder.get(), "stamp", 0, 8)))
            return 6;
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        std::printf("%lld\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
        return 0;
    }
    return 2;
}
