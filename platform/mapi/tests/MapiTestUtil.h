// Helpers shared by the MAPI tests: a fresh store in a temporary platform root, and short ways
// to set and read properties.
#pragma once

#include "TempRoot.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mapitest {

using mapi::Bytes;

inline std::string Hex(const Bytes& b)
{
    std::string s(b.size() * 2 + 1, '\0');
    HexFromBin(reinterpret_cast<LPBYTE>(const_cast<char*>(b.data())), static_cast<int>(b.size()), s.data());
    s.resize(b.size() * 2);
    return s;
}

inline Bytes GetBin(IMAPIProp* obj, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(obj, tag, &v)))
        return {};
    Bytes b(reinterpret_cast<const char*>(v->Value.bin.lpb), v->Value.bin.cb);
    MAPIFreeBuffer(v);
    return b;
}

inline std::string GetText(IMAPIProp* obj, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(obj, CHANGE_PROP_TYPE(tag, PT_STRING8), &v)))
        return "<missing>";
    std::string s = v->Value.lpszA;
    MAPIFreeBuffer(v);
    return s;
}

inline LONG GetLong(IMAPIProp* obj, ULONG tag, LONG fallback = -1)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(obj, tag, &v)))
        return fallback;
    LONG l = v->Value.l;
    MAPIFreeBuffer(v);
    return l;
}

inline ULONGLONG GetTime(IMAPIProp* obj, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(obj, tag, &v)))
        return 0;
    ULONGLONG t = (ULONGLONG(v->Value.ft.dwHighDateTime) << 32) | v->Value.ft.dwLowDateTime;
    MAPIFreeBuffer(v);
    return t;
}

inline HRESULT SetText(IMAPIProp* obj, ULONG tag, const std::string& text)
{
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_STRING8);
    v.Value.lpszA = const_cast<char*>(text.c_str());
    return HrSetOneProp(obj, &v);
}

inline HRESULT SetLong(IMAPIProp* obj, ULONG tag, LONG value)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = value;
    return HrSetOneProp(obj, &v);
}

inline HRESULT SetBin(IMAPIProp* obj, ULONG tag, const Bytes& b)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.bin.cb = static_cast<ULONG>(b.size());
    v.Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(b.data()));
    return HrSetOneProp(obj, &v);
}

template <class T>
ComPtr<T> OpenAs(IMsgStore* store, const Bytes& eid, ULONG flags = MAPI_MODIFY)
{
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    HRESULT hr = store->OpenEntry(static_cast<ULONG>(eid.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())), &uuidof<T>(), flags,
                                  &type, unk.put());
    EXPECT_EQ(hr, S_OK);
    ComPtr<T> out;
    if (SUCCEEDED(hr))
        out.Attach(static_cast<T*>(unk.Detach()));
    return out;
}

// A store file in a fresh platform root, opened for writing.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = platform::StoresDirectory() / "personal.store";
        ASSERT_EQ(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    }

    // A profile "Mail" with this store, MAPI initialised, and a session on the profile; the
    // caller logs off and uninitialises.
    void LogOn(ComPtr<IMAPISession>& session)
    {
        ComPtr<IProfAdmin> admin;
        ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
        ASSERT_EQ(admin->CreateProfile(const_cast<char*>("Mail"), nullptr, 0, 0), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Mail", path), S_OK);
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(MAPILogonEx(0, const_cast<char*>("Mail"), nullptr, MAPI_NEW_SESSION | MAPI_NO_MAIL, session.put()),
                  S_OK);
    }

    ComPtr<IMAPIFolder> Subtree() { return OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID)); }

    ComPtr<IMAPIFolder> NewFolder(IMAPIFolder* parent, const std::string& name)
    {
        ComPtr<IMAPIFolder> f;
        EXPECT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, f.put()),
                  S_OK);
        return f;
    }

    ComPtr<IMessage> NewMessage(IMAPIFolder* folder, const std::string& subject, ULONG flags = 0)
    {
        ComPtr<IMessage> m;
        EXPECT_EQ(folder->CreateMessage(nullptr, flags, m.put()), S_OK);
        EXPECT_EQ(SetText(m.get(), PR_SUBJECT, subject), S_OK);
        EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        return m;
    }

    TempRoot root;
    std::filesystem::path path;
    ComPtr<IMsgStore> store;
};

} // namespace mapitest
