// IMAPIProp on stores and folders: GetProps forms, string widths, property types, deletion,
// named properties.
#include "MapiTestUtil.h"

#include <cstring>

using namespace mapitest;

TEST_F(StoreTest, GetPropsReportsMissingPropertiesAsErrors)
{
    auto folder = NewFolder(Subtree().get(), "Props");
    SizedSPropTagArray(3, tags) = {3, {PR_DISPLAY_NAME_W, PR_COMMENT_A, PR_ENTRYID}};
    ULONG count = 0;
    LPSPropValue vals = nullptr;
    ASSERT_EQ(folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &vals),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(vals[0].ulPropTag, PR_DISPLAY_NAME_W);
    EXPECT_EQ(std::u16string(vals[0].Value.lpszW), u"Props");
    EXPECT_EQ(vals[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_COMMENT)));
    EXPECT_EQ(vals[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(vals[2].ulPropTag, PR_ENTRYID);
    MAPIFreeBuffer(vals);

    // No tag array: every property, text in the width the flags ask for.
    ASSERT_EQ(folder->GetProps(nullptr, 0, &count, &vals), S_OK);
    LPSPropValue name = PpropFindProp(vals, count, PR_DISPLAY_NAME_A);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name->Value.lpszA, "Props");
    EXPECT_EQ(PpropFindProp(vals, count, PR_DISPLAY_NAME_W), nullptr);
    MAPIFreeBuffer(vals);
    ASSERT_EQ(folder->GetProps(nullptr, MAPI_UNICODE, &count, &vals), S_OK);
    EXPECT_NE(PpropFindProp(vals, count, PR_DISPLAY_NAME_W), nullptr);
    MAPIFreeBuffer(vals);
}

TEST_F(StoreTest, TextIsConvertedBetweenWidths)
{
    auto folder = NewFolder(Subtree().get(), "Text");
    SPropValue v{};
    v.ulPropTag = PR_COMMENT_W;
    v.Value.lpszW = const_cast<WCHAR*>(u"Grüße \u20AC");
    ASSERT_EQ(HrSetOneProp(folder.get(), &v), S_OK);
    EXPECT_EQ(GetText(folder.get(), PR_COMMENT), "Grüße \u20AC"); // read back 8-bit (UTF-8)
    LPSPropTagArray list = nullptr;
    ASSERT_EQ(folder->GetPropList(MAPI_UNICODE, &list), S_OK);
    bool found = false;
    for (ULONG i = 0; i < list->cValues; ++i)
        found |= list->aulPropTag[i] == PR_COMMENT_W;
    MAPIFreeBuffer(list);
    EXPECT_TRUE(found);
}

TEST_F(StoreTest, EveryPropertyTypeRoundTripsThroughTheFile)
{
    auto folder = NewFolder(Subtree().get(), "Types");
    GUID clsid = MakeGuid("01234567-89AB-CDEF-0123-456789ABCDEF");
    BYTE b1[] = {1, 2}, b2[] = {3};
    SBinary bins[] = {{2, b1}, {1, b2}};
    char s1[] = "one", s2[] = "two";
    LPSTR strs[] = {s1, s2};
    WCHAR w1[] = u"uno";
    LPWSTR wstrs[] = {w1};
    SPropValue vals[10] = {};
    vals[0].ulPropTag = PROP_TAG(PT_I2, 0x6701);
    vals[0].Value.i = -7;
    vals[1].ulPropTag = PROP_TAG(PT_LONG, 0x6702);
    vals[1].Value.l = 123456;
    vals[2].ulPropTag = PROP_TAG(PT_BOOLEAN, 0x6703);
    vals[2].Value.b = 1;
    vals[3].ulPropTag = PROP_TAG(PT_I8, 0x6704);
    vals[3].Value.li = 0x123456789ALL;
    vals[4].ulPropTag = PROP_TAG(PT_SYSTIME, 0x6705);
    vals[4].Value.ft = {0x89ABCDEF, 0x01D00000};
    vals[5].ulPropTag = PROP_TAG(PT_CLSID, 0x6706);
    vals[5].Value.lpguid = &clsid;
    vals[6].ulPropTag = PROP_TAG(PT_MV_BINARY, 0x6707);
    vals[6].Value.MVbin = {2, bins};
    vals[7].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x6708);
    vals[7].Value.MVszA = {2, strs};
    vals[8].ulPropTag = PROP_TAG(PT_MV_UNICODE, 0x6709);
    vals[8].Value.MVszW = {1, wstrs};
    vals[9].ulPropTag = PROP_TAG(PT_NULL, 0x670A);
    ASSERT_EQ(folder->SetProps(10, vals, nullptr), S_OK);

    // A fresh open reads what the file holds.
    const Bytes eid = GetBin(folder.get(), PR_ENTRYID);
    folder = nullptr;
    store = nullptr;
    ASSERT_EQ(mapi::OpenStoreFile(path, 0, store.put()), S_OK);
    auto again = OpenAs<IMAPIFolder>(store.get(), eid, 0);
    SizedSPropTagArray(10, tags) = {10,
                                    {PROP_TAG(PT_I2, 0x6701), PROP_TAG(PT_LONG, 0x6702), PROP_TAG(PT_BOOLEAN, 0x6703),
                                     PROP_TAG(PT_I8, 0x6704), PROP_TAG(PT_SYSTIME, 0x6705), PROP_TAG(PT_CLSID, 0x6706),
                                     PROP_TAG(PT_MV_BINARY, 0x6707), PROP_TAG(PT_MV_UNICODE, 0x6708),
                                     PROP_TAG(PT_MV_STRING8, 0x6709), PROP_TAG(PT_NULL, 0x670A)}};
    ULONG count = 0;
    LPSPropValue out = nullptr;
    ASSERT_EQ(again->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &out), S_OK);
    EXPECT_EQ(out[0].Value.i, -7);
    EXPECT_EQ(out[1].Value.l, 123456);
    EXPECT_EQ(out[2].Value.b, 1);
    EXPECT_EQ(out[3].Value.li, 0x123456789ALL);
    EXPECT_EQ(out[4].Value.ft.dwLowDateTime, 0x89ABCDEFu);
    EXPECT_EQ(out[4].Value.ft.dwHighDateTime, 0x01D00000u);
    EXPECT_TRUE(IsEqualGUID(*out[5].Value.lpguid, clsid));
    ASSERT_EQ(out[6].Value.MVbin.cValues, 2u);
    EXPECT_EQ(out[6].Value.MVbin.lpbin[1].lpb[0], 3);
    ASSERT_EQ(out[7].Value.MVszW.cValues, 2u);
    EXPECT_EQ(std::u16string(out[7].Value.MVszW.lppszW[1]), u"two");
    ASSERT_EQ(out[8].Value.MVszA.cValues, 1u);
    EXPECT_STREQ(out[8].Value.MVszA.lppszA[0], "uno");
    EXPECT_EQ(out[9].ulPropTag, PROP_TAG(PT_NULL, 0x670A));
    MAPIFreeBuffer(out);
}

TEST_F(StoreTest, FolderAndStorePropertiesPersistWithoutSave)
{
    auto folder = NewFolder(Subtree().get(), "Persist");
    ASSERT_EQ(SetText(folder.get(), PR_COMMENT, "kept"), S_OK);
    ASSERT_EQ(SetLong(store.get(), PROP_TAG(PT_LONG, 0x6710), 42), S_OK);
    const Bytes eid = GetBin(folder.get(), PR_ENTRYID);
    folder = nullptr;
    store = nullptr;
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto again = OpenAs<IMAPIFolder>(store.get(), eid);
    EXPECT_EQ(GetText(again.get(), PR_COMMENT), "kept");
    EXPECT_EQ(GetLong(store.get(), PROP_TAG(PT_LONG, 0x6710)), 42);
    SizedSPropTagArray(1, del) = {1, {PR_COMMENT}};
    ASSERT_EQ(again->DeleteProps(reinterpret_cast<LPSPropTagArray>(&del), nullptr), S_OK);
    EXPECT_EQ(GetText(again.get(), PR_COMMENT), "<missing>");
}

TEST_F(StoreTest, ComputedPropertiesCannotBeWritten)
{
    auto folder = NewFolder(Subtree().get(), "Computed");
    SPropValue v{};
    v.ulPropTag = PR_CONTENT_COUNT;
    v.Value.l = 99;
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(folder->SetProps(1, &v, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    MAPIFreeBuffer(problems);
    EXPECT_EQ(GetLong(folder.get(), PR_CONTENT_COUNT), 0);
    EXPECT_EQ(HrSetOneProp(folder.get(), &v), MAPI_E_COMPUTED);
}

TEST_F(StoreTest, NamedPropertiesGetStableIdsPerStore)
{
    GUID set = MakeGuid("11111111-2222-3333-4444-555555555555");
    WCHAR nameA[] = u"PRS_SEARCH_KEY";
    WCHAR nameB[] = u"PRS_FOLDER_KEY";
    MAPINAMEID ids[3] = {};
    ids[0] = {&set, MNID_STRING, {}};
    ids[0].Kind.lpwstrName = nameA;
    ids[1] = {const_cast<GUID*>(&PSETID_Common), MNID_ID, {}};
    ids[1].Kind.lID = 0x8506;
    ids[2] = {&set, MNID_STRING, {}};
    ids[2].Kind.lpwstrName = nameB;
    LPMAPINAMEID list[3] = {&ids[0], &ids[1], &ids[2]};

    LPSPropTagArray tags = nullptr;
    // Without MAPI_CREATE unknown names are errors.
    ASSERT_EQ(store->GetIDsFromNames(3, list, 0, &tags), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), PT_ERROR);
    MAPIFreeBuffer(tags);

    ASSERT_EQ(store->GetIDsFromNames(3, list, MAPI_CREATE, &tags), S_OK);
    const ULONG a = PROP_ID(tags->aulPropTag[0]), b = PROP_ID(tags->aulPropTag[1]), c = PROP_ID(tags->aulPropTag[2]);
    MAPIFreeBuffer(tags);
    EXPECT_GE(a, 0x8000u);
    EXPECT_GE(b, 0x8000u);
    EXPECT_NE(a, c);

    // The same ids after reopening, asked through a folder.
    store = nullptr;
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto folder = Subtree();
    ASSERT_EQ(folder->GetIDsFromNames(3, list, 0, &tags), S_OK);
    EXPECT_EQ(PROP_ID(tags->aulPropTag[0]), a);
    EXPECT_EQ(PROP_ID(tags->aulPropTag[1]), b);
    EXPECT_EQ(PROP_ID(tags->aulPropTag[2]), c);

    // And the names back from the ids.
    ULONG count = 0;
    LPMAPINAMEID* names = nullptr;
    ASSERT_EQ(folder->GetNamesFromIDs(&tags, nullptr, 0, &count, &names), S_OK);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::u16string(names[0]->Kind.lpwstrName), u"PRS_SEARCH_KEY");
    EXPECT_EQ(names[1]->ulKind, static_cast<ULONG>(MNID_ID));
    EXPECT_EQ(names[1]->Kind.lID, 0x8506);
    EXPECT_TRUE(IsEqualGUID(*names[1]->lpguid, PSETID_Common));
    MAPIFreeBuffer(names);
    MAPIFreeBuffer(tags);

    // PS_MAPI names are the plain property ids.
    MAPINAMEID mapiName{const_cast<GUID*>(&PS_MAPI), MNID_ID, {}};
    mapiName.Kind.lID = PROP_ID(PR_SUBJECT);
    LPMAPINAMEID one = &mapiName;
    ASSERT_EQ(store->GetIDsFromNames(1, &one, 0, &tags), S_OK);
    EXPECT_EQ(PROP_ID(tags->aulPropTag[0]), PROP_ID(PR_SUBJECT));
    MAPIFreeBuffer(tags);
}
