#include "ReminderLib.h"

std::span<const DispatchMember> ReminderEngineDispatchMembers()
{
    // SetNextReminder (dispatch id 11) carries an address and is not offered late-bound.
    static const DispatchMember members[] = {
        DispMember<&IReminderEngine::get_MapiSession>("MapiSession", 1, DISPATCH_PROPERTYGET),
        DispMember<&IReminderEngine::Initialize>("Initialize", 2, DISPATCH_METHOD),
        DispMember<&IReminderEngine::SetReminderFolder>("SetReminderFolder", 3, DISPATCH_METHOD),
        DispMember<&IReminderEngine::get_Stores>("Stores", 4, DISPATCH_PROPERTYGET),
        DispMember<&IReminderEngine::get_BackFolder>("BackFolder", 5, DISPATCH_PROPERTYGET),
        DispMember<&IReminderEngine::get_ProfileName>("ProfileName", 6, DISPATCH_PROPERTYGET),
        DispMember<&IReminderEngine::get_Enabled>("Enabled", 7, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&IReminderEngine::put_Enabled>("Enabled", 7, DISPATCH_PROPERTYPUT, {VT_BOOL}),
        DispMember<&IReminderEngine::get_UpdateInterval>("UpdateInterval", 8, DISPATCH_PROPERTYGET),
        DispMember<&IReminderEngine::put_UpdateInterval>("UpdateInterval", 8, DISPATCH_PROPERTYPUT),
        DispMember<&IReminderEngine::get_Configuring>("Configuring", 9, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&IReminderEngine::put_Configuring>("Configuring", 9, DISPATCH_PROPERTYPUT, {VT_BOOL}),
        DispMember<&IReminderEngine::ShowReminders>("ShowReminders", 10, DISPATCH_METHOD),
        DispMember<&IReminderEngine::get_IsReminderFolder>("IsReminderFolder", 12, DISPATCH_PROPERTYGET,
                                                            {VT_EMPTY, VT_EMPTY, VT_BOOL}),
        DispMember<&IReminderEngine::Reset>("Reset", 13, DISPATCH_METHOD),
        DispMember<&IReminderEngine::DisableStore>("DisableStore", 0x60020012, DISPATCH_METHOD),
        DispMember<&IReminderEngine::EnableStore>("EnableStore", 0x60020013, DISPATCH_METHOD),
    };
    return members;
}

std::span<const DispatchMember> LVStoresDispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&ILVStores::Create>("Create", 1, DISPATCH_METHOD),
        DispMember<&ILVStores::get_ReminderEngine>("ReminderEngine", 2, DISPATCH_PROPERTYGET),
        DispMember<&ILVStores::get_Count>("Count", 3, DISPATCH_PROPERTYGET),
        DispMember<&ILVStores::get_Item>("Item", 4, DISPATCH_PROPERTYGET),
        DispMember<&ILVStores::get_ProfileKey>("ProfileKey", 5, DISPATCH_PROPERTYGET),
        DispMember<&ILVStores::get_ProfileName>("ProfileName", 6, DISPATCH_PROPERTYGET),
        DispMember<&ILVStores::GetStoreFromKey>("GetStoreFromKey", 7, DISPATCH_METHOD),
    };
    return members;
}

std::span<const DispatchMember> LVStoreDispatchMembers()
{
    // Create, GetDefaultFolderType, SetReminderFolder and GetReminderType (dispatch ids 1-4)
    // take addresses and are reached through the vtable only.
    static const DispatchMember members[] = {
        DispMember<&ILVStore::get_MapiSession>("MapiSession", 5, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_MDB>("MDB", 6, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_EntryID>("EntryID", 7, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_RecordKey>("RecordKey", 8, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_Name>("Name", 9, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_DefaultFolder>("DefaultFolder", 10, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::GetFolderFromEID>("GetFolderFromEID", 11, DISPATCH_METHOD),
        DispMember<&ILVStore::get_DefaultStore>("DefaultStore", 12, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&ILVStore::get_MDBProvider>("MDBProvider", 13, DISPATCH_PROPERTYGET),
        DispMember<&ILVStore::get_StoreSupportMask>("StoreSupportMask", 14, DISPATCH_PROPERTYGET),
    };
    return members;
}

std::span<const DispatchMember> LVFoldersDispatchMembers()
{
    // Create (dispatch id 1) takes the parent's entry ID as an address.
    static const DispatchMember members[] = {
        DispMember<&ILVFolders::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolders::get_Item>("Item", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

std::span<const DispatchMember> LVFolderDispatchMembers()
{
    // Create (dispatch id 1) takes the entry ID as an address.
    static const DispatchMember members[] = {
        DispMember<&ILVFolder::get_MAPIFolder>("MAPIFolder", 2, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::Advise>("Advise", 3, DISPATCH_METHOD),
        DispMember<&ILVFolder::Unadvise>("Unadvise", 4, DISPATCH_METHOD),
        DispMember<&ILVFolder::get_Folders>("Folders", 5, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_EntryID>("EntryID", 6, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_RecordKey>("RecordKey", 7, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_Name>("Name", 8, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_DefaultFolderType>("DefaultFolderType", 9, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_ContainerClass>("ContainerClass", 10, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::get_ReminderType>("ReminderType", 11, DISPATCH_PROPERTYGET),
        DispMember<&ILVFolder::put_ReminderType>("ReminderType", 11, DISPATCH_PROPERTYPUT),
        DispMember<&ILVFolder::get_RemindersPossible>("RemindersPossible", 12, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&ILVFolder::get_InWasteBasket>("InWasteBasket", 13, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&ILVFolder::get_SubFolders>("SubFolders", 14, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&ILVFolder::get_Store>("Store", 15, DISPATCH_PROPERTYGET),
    };
    return members;
}
