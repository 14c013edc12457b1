// A second process for the MAPI tests: opens a store by path or entry ID and writes or reads it.
#include "com/ComPtr.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    return 2;
}
