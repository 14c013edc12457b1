// Folder objects and folder lists: container classes, which folders can hold reminders, the
// Deleted Items test with its parent walk, subfolder lists and the reminder type.
#include "ReminderFixture.h"

#include "LVFolders.h"
#include "MapiBuffer.h"

#include <sqlite3.h>

using namespace remindertest;

namespace {

class LVFolderTest : public ReminderFixture {
protected:
    ComPtr<ILVFolder> Personal(IMAPIFolder* folder) { return FolderObject(u"Personal Folders", folder); }
    ComPtr<IMAPIFolder> PersonalSubtree() { return Subtree(personal.get()); }
    ComPtr<IMAPIFolder> DeletedItems() { return Open(personal.get(), GetBinary(personal.get(), PR_IPM_WASTEBASKET_ENTRYID)); }

    ContainerClass ClassOf(const char* cls)
    {
        auto folder = Personal(NewFolder(PersonalSubtree().get(), std::string("Class ") + (cls ? cls : "none"), cls).get());
        ContainerClass value = CC_Journal;
        EXPECT_EQ(folder->get_ContainerClass(&value), S_OK);
        return value;
    }
    bool Possible(ILVFolder* folder)
    {
        VARIANT_BOOL possible = VARIANT_FALSE;
        EXPECT_EQ(folder->get_RemindersPossible(&possible), S_OK);
        return possible == VARIANT_TRUE;
    }
    bool InWasteBasket(ILVFolder* folder, HRESULT expected = S_OK)
    {
        VARIANT_BOOL in = VARIANT_TRUE;
        EXPECT_EQ(folder->get_InWasteBasket(&in), expected);
        return in == VARIANT_TRUE;
    }
};

TEST_F(LVFolderTest, ContainerClassesByTheirFirstComponents)
{
    EXPECT_EQ(ClassOf("IPF.Note"), CC_Mail);
    EXPECT_EQ(ClassOf("IPF.Note.Custom"), CC_Mail);
    EXPECT_EQ(ClassOf("IPF.Note.OutlookHomepage"), CC_RSS);
    EXPECT_EQ(ClassOf("ipf.note.outlookhomepage.more"), CC_RSS);
    EXPECT_EQ(ClassOf("IPF.Notes"), CC_Mail); // matches nothing
    EXPECT_EQ(ClassOf("IPF.Appointment"), CC_Appointment);
    EXPECT_EQ(ClassOf("IPF.Contact"), CC_Contact);
    EXPECT_EQ(ClassOf("ipf.task"), CC_Task);
    EXPECT_EQ(ClassOf("IPF.Journal"), CC_Journal);
    EXPECT_EQ(ClassOf("IPF.StickyNote"), CC_Note);
    EXPECT_EQ(ClassOf(nullptr), CC_Mail);
}

TEST_F(LVFolderTest, WhichFoldersCanHoldReminders)
{
    auto subtree = PersonalSubtree();
    EXPECT_TRUE(Possible(Personal(NewFolder(subtree.get(), "Appointments", "IPF.Appointment").get()).get()));
    EXPECT_TRUE(Possible(Personal(NewFolder(subtree.get(), "Plain").get()).get()));
    EXPECT_FALSE(Possible(Personal(NewFolder(subtree.get(), "Diary", "IPF.Journal").get()).get()));
    EXPECT_FALSE(Possible(Personal(NewFolder(subtree.get(), "Stickies", "IPF.StickyNote").get()).get()));
    EXPECT_FALSE(Possible(Personal(NewFolder(subtree.get(), "Feed", "IPF.Note.OutlookHomepage").get()).get()));
    // Deleted Items cannot, a task folder below it can.
    auto deleted = DeletedItems();
    EXPECT_FALSE(Possible(Personal(deleted.get()).get()));
    EXPECT_TRUE(Possible(Personal(NewFolder(deleted.get(), "Old tasks", "IPF.Task").get()).get()));
}

TEST_F(LVFolderTest, InWasteBasketForDeletedItemsAndBelow)
{
    auto deleted = DeletedItems();
    auto below = NewFolder(deleted.get(), "Old");
    auto deeper = NewFolder(below.get(), "Older");
    EXPECT_TRUE(InWasteBasket(Personal(deleted.get()).get()));
    EXPECT_TRUE(InWasteBasket(Personal(below.get()).get()));
    EXPECT_TRUE(InWasteBasket(Personal(deeper.get()).get()));
    EXPECT_FALSE(InWasteBasket(Personal(NewFolder(PersonalSubtree().get(), "Live").get()).get()));
    EXPECT_FALSE(InWasteBasket(Personal(Open(personal.get(), Bytes()).get()).get()));
    // A public store has no Deleted Items folder: nothing is in it.
    auto folder = FolderObject(u"Public Folders", NewFolder(Subtree(publicStore.get()).get(), "Shared").get());
    EXPECT_FALSE(InWasteBasket(folder.get()));
}

TEST_F(LVFolderTest, AParentCycleEndsTheWalk)
{
    auto a = NewFolder(PersonalSubtree().get(), "A");
    auto b = NewFolder(a.get(), "B");
    auto folder = Personal(b.get());
    // Damage the hierarchy: A's parent becomes B.
    const Bytes aKey = GetBinary(a.get(), PR_RECORD_KEY), bKey = GetBinary(b.get(), PR_RECORD_KEY);
    auto objectId = [](const Bytes& key) {
        long long id = 0;
        for (std::size_t i = 8; i < key.size(); ++i)
            id = id << 8 | key[i];
        return id;
    };
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(personalPath.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const std::string sql = "UPDATE objects SET parent = " + std::to_string(objectId(bKey)) +
                            " WHERE id = " + std::to_string(objectId(aKey));
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_FALSE(InWasteBasket(folder.get()));
}

TEST_F(LVFolderTest, SubfolderListsAreSortedAndCountedFromOne)
{
    auto parent = NewFolder(PersonalSubtree().get(), "Parent");
    NewFolder(parent.get(), "beta");
    NewFolder(parent.get(), "Alpha");
    NewFolder(parent.get(), "Gamma");
    auto folder = Personal(parent.get());
    ComPtr<ILVFolders> list;
    ASSERT_EQ(folder->get_Folders(list.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(list->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);
    std::vector<std::string> names;
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVFolder> child;
        ASSERT_EQ(list->get_Item(i, child.put()), S_OK);
        ComBstr name;
        ASSERT_EQ(child->get_Name(name.put()), S_OK);
        names.push_back(Text(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Gamma"}));
    ComPtr<ILVFolder> child;
    EXPECT_EQ(list->get_Item(0, child.put()), E_INVALIDARG);
    EXPECT_EQ(list->get_Item(4, child.put()), E_INVALIDARG);
    EXPECT_FALSE(child);
    VARIANT_BOOL sub = VARIANT_FALSE;
    ASSERT_EQ(folder->get_SubFolders(&sub), S_OK);
    EXPECT_EQ(sub, VARIANT_TRUE);
}

TEST_F(LVFolderTest, TheFolderKnowsItsKeysNameStoreAndType)
{
    auto mapiFolder = NewFolder(PersonalSubtree().get(), "Projects", "IPF.Task");
    auto folder = Personal(mapiFolder.get());
    ComBstr text;
    ASSERT_EQ(folder->get_EntryID(text.put()), S_OK);
    EXPECT_EQ(Text(text), Hex(GetBinary(mapiFolder.get(), PR_ENTRYID)));
    ASSERT_EQ(folder->get_RecordKey(text.put()), S_OK);
    EXPECT_EQ(Text(text), Hex(GetBinary(mapiFolder.get(), PR_RECORD_KEY)));
    ASSERT_EQ(folder->get_Name(text.put()), S_OK);
    EXPECT_EQ(Text(text), "Projects");
    ComPtr<ILVStore> store;
    ASSERT_EQ(folder->get_Store(store.put()), S_OK);
    ASSERT_EQ(store->get_Name(text.put()), S_OK);
    EXPECT_EQ(Text(text), "Personal Folders");
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(folder->get_MAPIFolder(unknown.put()), S_OK);
    ComPtr<IMAPIFolder> same;
    ASSERT_EQ(unknown.As(same), S_OK);
    EXPECT_EQ(GetBinary(same.get(), PR_RECORD_KEY), GetBinary(mapiFolder.get(), PR_RECORD_KEY));

    DefaultFolderType type = DFT_ROOT;
    ASSERT_EQ(folder->get_DefaultFolderType(&type), S_OK);
    EXPECT_EQ(type, DFT_NONE);
    ComPtr<ILVFolder> calendar;
    ASSERT_EQ(store->get_DefaultFolder(DFT_IPM_APPOINTMENT, calendar.put()), S_OK);
    ASSERT_EQ(calendar->get_DefaultFolderType(&type), S_OK);
    EXPECT_EQ(type, DFT_IPM_APPOINTMENT);
}

TEST_F(LVFolderTest, TheReminderTypeGoesThroughTheRegistryTree)
{
    auto folder = FolderObject(u"Public Folders", NewFolder(Subtree(publicStore.get()).get(), "Shared").get());
    ReminderType type = RT_PUBLIC;
    ASSERT_EQ(folder->get_ReminderType(&type), S_OK);
    EXPECT_EQ(type, RT_NONE);
    ASSERT_EQ(folder->put_ReminderType(RT_PUBLIC), S_OK);
    ASSERT_EQ(folder->get_ReminderType(&type), S_OK);
    EXPECT_EQ(type, RT_PUBLIC);
    // Late-bound, as the options page's script would set it.
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = RT_PERSONAL;
    ASSERT_EQ(Late(folder.get(), u"ReminderType", DISPATCH_PROPERTYPUT, {value}, nullptr), S_OK);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Late(folder.get(), u"ReminderType", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, RT_PERSONAL);
    ASSERT_EQ(folder->put_ReminderType(RT_NONE), S_OK);
    EXPECT_EQ(folder->put_ReminderType(RT_NONE), HRESULT(0x80070002));
    ASSERT_EQ(folder->get_ReminderType(&type), S_OK);
    EXPECT_EQ(type, RT_NONE);
    // Addresses are not offered late-bound; booleans come as VT_BOOL.
    EXPECT_EQ(Late(folder.get(), u"Create", DISPATCH_METHOD, {}, &result), DISP_E_UNKNOWNNAME);
    ASSERT_EQ(Late(folder.get(), u"RemindersPossible", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(folder->QueryInterface(uuidof<ISupportErrorInfo>(), errorInfo.put_void()), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVFolder), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVFolders), S_FALSE);
}

// A store whose folders cannot list their subfolders: its message store opens a folder whose
// hierarchy table fails.
class FolderWithoutHierarchy : public IMAPIFolder {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIProp) || IsEqualIID(riid, IID_IMAPIContainer) ||
            IsEqualIID(riid, IID_IMAPIFolder)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return E_NOTIMPL; }
    HRESULT SaveChanges(ULONG) override { return E_NOTIMPL; }
    HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return E_NOTIMPL; }
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override { return E_NOTIMPL; }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                   LPSPropProblemArray*) override
    {
        return E_NOTIMPL;
    }
    HRESULT CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override { return E_NOTIMPL; }
    HRESULT GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }
    HRESULT GetContentsTable(ULONG, LPMAPITABLE*) override { return E_NOTIMPL; }
    HRESULT GetHierarchyTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override { return E_NOTIMPL; }
    HRESULT SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override { return E_NOTIMPL; }
    HRESULT GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override { return E_NOTIMPL; }
    HRESULT CreateMessage(LPCIID, ULONG, IMessage**) override { return E_NOTIMPL; }
    HRESULT CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    HRESULT DeleteMessages(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    HRESULT CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG, IMAPIFolder**) override { return E_NOTIMPL; }
    HRESULT CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG_PTR, LPMAPIPROGRESS, ULONG) override
    {
        return E_NOTIMPL;
    }
    HRESULT DeleteFolder(ULONG, LPENTRYID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    HRESULT SetReadFlags(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    HRESULT GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT SaveContentsSort(LPSSortOrderSet, ULONG) override { return E_NOTIMPL; }
    HRESULT EmptyFolder(ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    ULONG refs = 1;
};

// Forwards to a real message store, except that it opens every entry as that folder.
class StoreOfThatFolder : public IMsgStore {
public:
    explicit StoreOfThatFolder(IMsgStore* real) : m_real(real) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIProp) || IsEqualIID(riid, IID_IMsgStore)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetLastError(HRESULT h, ULONG f, LPMAPIERROR* e) override { return m_real->GetLastError(h, f, e); }
    HRESULT SaveChanges(ULONG f) override { return m_real->SaveChanges(f); }
    HRESULT GetProps(LPSPropTagArray t, ULONG f, ULONG* c, LPSPropValue* v) override { return m_real->GetProps(t, f, c, v); }
    HRESULT GetPropList(ULONG f, LPSPropTagArray* t) override { return m_real->GetPropList(f, t); }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override { return E_NOTIMPL; }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                   LPSPropProblemArray*) override
    {
        return E_NOTIMPL;
    }
    HRESULT CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override { return E_NOTIMPL; }
    HRESULT GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }
    HRESULT Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return E_NOTIMPL; }
    HRESULT Unadvise(ULONG) override { return E_NOTIMPL; }
    HRESULT CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG* type, LPUNKNOWN* unknown) override
    {
        *type = MAPI_FOLDER;
        folder.AddRef();
        *unknown = &folder;
        return S_OK;
    }
    HRESULT SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override { return E_NOTIMPL; }
    HRESULT GetReceiveFolder(LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*) override { return E_NOTIMPL; }
    HRESULT GetReceiveFolderTable(ULONG, LPMAPITABLE*) override { return E_NOTIMPL; }
    HRESULT StoreLogoff(ULONG*) override { return E_NOTIMPL; }
    HRESULT AbortSubmit(ULONG, LPENTRYID, ULONG) override { return E_NOTIMPL; }
    HRESULT GetOutgoingQueue(ULONG, LPMAPITABLE*) override { return E_NOTIMPL; }
    HRESULT SetLockState(IMessage*, ULONG) override { return E_NOTIMPL; }
    HRESULT FinishedMsg(ULONG, ULONG, LPENTRYID) override { return E_NOTIMPL; }
    HRESULT NotifyNewMail(LPNOTIFICATION) override { return E_NOTIMPL; }
    FolderWithoutHierarchy folder;
    ULONG refs = 1;

private:
    IMsgStore* m_real;
};

// A store object whose message store is the one above.
class StoreWithoutHierarchy : public ComObject<StoreWithoutHierarchy, DispatchImpl<StoreWithoutHierarchy, ILVStore>> {
public:
    static std::span<const DispatchMember> DispatchMembers() { return LVStoreDispatchMembers(); }
    StoreOfThatFolder* mdb = nullptr;
    HRESULT STDMETHODCALLTYPE Create(ILVStores*, LONG_PTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDefaultFolderType(ULONG, BYTE*, DefaultFolderType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReminderFolder(LPSTR, LPSTR, LPSTR, ReminderType) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetReminderType(LPSTR, ReminderType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MDB(IUnknown** pVal) override
    {
        mdb->AddRef();
        *pVal = mdb;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DefaultFolder(DefaultFolderType, ILVFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFolderFromEID(BSTR, ILVFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DefaultStore(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MDBProvider(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StoreSupportMask(LONG* pVal) override
    {
        *pVal = STORE_UNICODE_OK;
        return S_OK;
    }
};

TEST_F(LVFolderTest, AFolderWhoseHierarchyCannotBeReadHasNoSubfolders)
{
    StoreOfThatFolder mdb(personal.get());
    {
        StoreWithoutHierarchy* raw = nullptr;
        ASSERT_EQ(StoreWithoutHierarchy::CreateObject(&raw), S_OK);
        ComPtr<ILVStore> store;
        store.Attach(raw);
        raw->mdb = &mdb;
        CLVFolders* list = nullptr;
        ASSERT_EQ(CLVFolders::CreateObject(&list), S_OK);
        ComPtr<ILVFolders> folders;
        folders.Attach(list);
        BYTE eid[] = {1, 2, 3};
        EXPECT_EQ(folders->Create(store.get(), sizeof eid, eid), S_FALSE);
        LONG count = -1;
        ASSERT_EQ(folders->get_Count(&count), S_OK);
        EXPECT_EQ(count, 0);
    }
    EXPECT_EQ(mdb.refs, 1u);
    EXPECT_EQ(mdb.folder.refs, 1u);
}

} // namespace
