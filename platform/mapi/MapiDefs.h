// Extended MAPI data types: property values, tag arrays, rows, restrictions, sort orders,
// entry IDs, and the macros that build and take apart property tags.
#pragma once

#include "base/WinError.h"
#include "base/WinTypes.h"
#include "com/Guid.h"

using LPGUID = GUID*;
using LPCIID = const IID*;
using FLAGS = ULONG;

// Property tags: type in the low word, identifier in the high word.
#define PROP_TYPE_MASK 0x0000FFFFu
#define PROP_TYPE(tag) (static_cast<ULONG>(tag) & PROP_TYPE_MASK)
#define PROP_ID(tag) (static_cast<ULONG>(tag) >> 16)
#define PROP_TAG(type, id) ((static_cast<ULONG>(id) << 16) | static_cast<ULONG>(type))
#define CHANGE_PROP_TYPE(tag, type) ((static_cast<ULONG>(tag) & 0xFFFF0000u) | static_cast<ULONG>(type))
#define PROP_ID_NULL 0
#define PROP_ID_INVALID 0xFFFF
#define PROP_ID_SECURE_MIN 0x67F0
#define PROP_ID_SECURE_MAX 0x67FF

// Property types.
#define PT_UNSPECIFIED 0x0000u
#define PT_NULL 0x0001u
#define PT_I2 0x0002u
#define PT_SHORT PT_I2
#define PT_LONG 0x0003u
#define PT_I4 PT_LONG
#define PT_R4 0x0004u
#define PT_DOUBLE 0x0005u
#define PT_CURRENCY 0x0006u
#define PT_APPTIME 0x0007u
#define PT_ERROR 0x000Au
#define PT_BOOLEAN 0x000Bu
#define PT_OBJECT 0x000Du
#define PT_I8 0x0014u
#define PT_LONGLONG PT_I8
#define PT_STRING8 0x001Eu
#define PT_UNICODE 0x001Fu
#define PT_SYSTIME 0x0040u
#define PT_CLSID 0x0048u
#define PT_BINARY 0x0102u
#define MV_FLAG 0x1000u
#define MV_INSTANCE 0x2000u
#define PT_MV_I2 (MV_FLAG | PT_I2)
#define PT_MV_LONG (MV_FLAG | PT_LONG)
#define PT_MV_I8 (MV_FLAG | PT_I8)
#define PT_MV_STRING8 (MV_FLAG | PT_STRING8)
#define PT_MV_UNICODE (MV_FLAG | PT_UNICODE)
#define PT_MV_SYSTIME (MV_FLAG | PT_SYSTIME)
#define PT_MV_CLSID (MV_FLAG | PT_CLSID)
#define PT_MV_BINARY (MV_FLAG | PT_BINARY)
#define PT_TSTRING PT_STRING8
#define PT_MV_TSTRING PT_MV_STRING8

struct MAPIUID {
    BYTE ab[16];
};
using LPMAPIUID = MAPIUID*;
#define MAPI_ONE_OFF_UID {0x81, 0x2b, 0x1f, 0xa4, 0xbe, 0xa3, 0x10, 0x19, 0x9d, 0x6e, 0x00, 0xdd, 0x01, 0x0f, 0x54, 0x02}

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[1];
};
using LPENTRYID = ENTRYID*;
#define CbNewENTRYID(cb) (offsetof(ENTRYID, ab) + (cb))

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
using LPSBinary = SBinary*;

struct SBinaryArray {
    ULONG cValues;
    SBinary* lpbin;
};
using ENTRYLIST = SBinaryArray;
using LPENTRYLIST = SBinaryArray*;

struct SShortArray {
    ULONG cValues;
    SHORT* lpi;
};
struct SLongArray {
    ULONG cValues;
    LONG* lpl;
};
struct SLargeIntegerArray {
    ULONG cValues;
    LONGLONG* lpli;
};
struct SDateTimeArray {
    ULONG cValues;
    FILETIME* lpft;
};
struct SGuidArray {
    ULONG cValues;
    GUID* lpguid;
};
struct SLPSTRArray {
    ULONG cValues;
    LPSTR* lppszA;
};
struct SWStringArray {
    ULONG cValues;
    LPWSTR* lppszW;
};

union _PV {
    SHORT i;
    LONG l;
    ULONG ul;
    float flt;
    double dbl;
    unsigned short b;
    LONGLONG li;
    double at;
    FILETIME ft;
    LPSTR lpszA;
    LPWSTR lpszW;
    SBinary bin;
    GUID* lpguid;
    SCODE err;
    LONG x;
    SShortArray MVi;
    SLongArray MVl;
    SLargeIntegerArray MVli;
    SDateTimeArray MVft;
    SGuidArray MVguid;
    SBinaryArray MVbin;
    SLPSTRArray MVszA;
    SWStringArray MVszW;
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    _PV Value;
};
using LPSPropValue = SPropValue*;

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[1];
};
using LPSPropProblemArray = SPropProblemArray*;
#define CbNewSPropProblemArray(n) (offsetof(SPropProblemArray, aProblem) + (n) * sizeof(SPropProblem))

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};
using LPSPropTagArray = SPropTagArray*;
#define CbNewSPropTagArray(n) (offsetof(SPropTagArray, aulPropTag) + (n) * sizeof(ULONG))
#define SizedSPropTagArray(n, name) \
    struct _SPropTagArray_##name {  \
        ULONG cValues;              \
        ULONG aulPropTag[n];        \
    } name

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};
using LPSRowSet = SRowSet*;
#define CbNewSRowSet(n) (offsetof(SRowSet, aRow) + (n) * sizeof(SRow))

using ADRENTRY = SRow;
using LPADRENTRY = SRow*;
using ADRLIST = SRowSet;
using LPADRLIST = SRowSet*;
#define CbNewADRLIST(n) CbNewSRowSet(n)

// Named properties.
#define MNID_ID 0
#define MNID_STRING 1
struct MAPINAMEID {
    LPGUID lpguid;
    ULONG ulKind;
    union {
        LONG lID;
        LPWSTR lpwstrName;
    } Kind;
};
using LPMAPINAMEID = MAPINAMEID*;

// Sort orders.
#define TABLE_SORT_ASCEND 0x00000000u
#define TABLE_SORT_DESCEND 0x00000001u
#define TABLE_SORT_COMBINE 0x00000002u
#define TABLE_SORT_CATEG_MAX 0x00000004u
#define TABLE_SORT_CATEG_MIN 0x00000008u
struct SSortOrder {
    ULONG ulPropTag;
    ULONG ulOrder;
};
struct SSortOrderSet {
    ULONG cSorts;
    ULONG cCategories;
    ULONG cExpanded;
    SSortOrder aSort[1];
};
using LPSSortOrderSet = SSortOrderSet*;
#define CbNewSSortOrderSet(n) (offsetof(SSortOrderSet, aSort) + (n) * sizeof(SSortOrder))
#define SizedSSortOrderSet(n, name) \
    struct _SSortOrderSet_##name {   \
        ULONG cSorts;                \
        ULONG cCategories;           \
        ULONG cExpanded;             \
        SSortOrder aSort[n];         \
    } name

// Restrictions.
#define RES_AND 0x00000000u
#define RES_OR 0x00000001u
#define RES_NOT 0x00000002u
#define RES_CONTENT 0x00000003u
#define RES_PROPERTY 0x00000004u
#define RES_COMPAREPROPS 0x00000005u
#define RES_BITMASK 0x00000006u
#define RES_SIZE 0x00000007u
#define RES_EXIST 0x00000008u
#define RES_SUBRESTRICTION 0x00000009u
#define RES_COMMENT 0x0000000Au
#define RES_COUNT 0x0000000Bu
#define RES_ANNOTATION 0x0000000Cu

#define FL_FULLSTRING 0x00000000u
#define FL_SUBSTRING 0x00000001u
#define FL_PREFIX 0x00000002u
#define FL_IGNORECASE 0x00010000u
#define FL_IGNORENONSPACE 0x00020000u
#define FL_LOOSE 0x00040000u

#define RELOP_LT 0u
#define RELOP_LE 1u
#define RELOP_GT 2u
#define RELOP_GE 3u
#define RELOP_EQ 4u
#define RELOP_NE 5u
#define RELOP_RE 6u

#define BMR_EQZ 0u
#define BMR_NEZ 1u

struct SRestriction;
using LPSRestriction = SRestriction*;

struct SAndRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
};
struct SOrRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
};
struct SNotRestriction {
    ULONG ulReserved;
    LPSRestriction lpRes;
};
struct SContentRestriction {
    ULONG ulFuzzyLevel;
    ULONG ulPropTag;
    LPSPropValue lpProp;
};
struct SPropertyRestriction {
    ULONG relop;
    ULONG ulPropTag;
    LPSPropValue lpProp;
};
struct SComparePropsRestriction {
    ULONG relop;
    ULONG ulPropTag1;
    ULONG ulPropTag2;
};
struct SBitMaskRestriction {
    ULONG relBMR;
    ULONG ulPropTag;
    ULONG ulMask;
};
struct SSizeRestriction {
    ULONG relop;
    ULONG ulPropTag;
    ULONG cb;
};
struct SExistRestriction {
    ULONG ulReserved1;
    ULONG ulPropTag;
    ULONG ulReserved2;
};
struct SSubRestriction {
    ULONG ulSubObject;
    LPSRestriction lpRes;
};
struct SCommentRestriction {
    ULONG cValues;
    LPSRestriction lpRes;
    LPSPropValue lpProp;
};
struct SCountRestriction {
    ULONG ulCount;
    LPSRestriction lpRes;
};

struct SRestriction {
    ULONG rt;
    union {
        SComparePropsRestriction resCompareProps;
        SAndRestriction resAnd;
        SOrRestriction resOr;
        SNotRestriction resNot;
        SContentRestriction resContent;
        SPropertyRestriction resProperty;
        SBitMaskRestriction resBitMask;
        SSizeRestriction resSize;
        SExistRestriction resExist;
        SSubRestriction resSub;
        SCommentRestriction resComment;
        SCountRestriction resCount;
    } res;
};

// Notifications (the structures the advise interfaces carry).
struct ERROR_NOTIFICATION {
    ULONG cbEntryID;
    LPENTRYID lpEntryID;
    SCODE scode;
    ULONG ulFlags;
    struct MAPIERROR* lpMAPIError;
};
struct NEWMAIL_NOTIFICATION {
    ULONG cbEntryID;
    LPENTRYID lpEntryID;
    ULONG cbParentID;
    LPENTRYID lpParentID;
    ULONG ulFlags;
    LPSTR lpszMessageClass;
    ULONG ulMessageFlags;
};
struct OBJECT_NOTIFICATION {
    ULONG cbEntryID;
    LPENTRYID lpEntryID;
    ULONG ulObjType;
    ULONG cbParentID;
    LPENTRYID lpParentID;
    ULONG cbOldID;
    LPENTRYID lpOldID;
    ULONG cbOldParentID;
    LPENTRYID lpOldParentID;
    LPSPropTagArray lpPropTagArray;
};
struct TABLE_NOTIFICATION {
    ULONG ulTableEvent;
    HRESULT hResult;
    SPropValue propIndex;
    SPropValue propPrior;
    SRow row;
    ULONG ulPad;
};
struct EXTENDED_NOTIFICATION {
    ULONG ulEvent;
    ULONG cb;
    LPBYTE pbEventParameters;
};
struct STATUS_OBJECT_NOTIFICATION {
    ULONG cbEntryID;
    LPENTRYID lpEntryID;
    ULONG cValues;
    LPSPropValue lpPropVals;
};
struct NOTIFICATION {
    ULONG ulEventType;
    ULONG ulAlignPad;
    union {
        ERROR_NOTIFICATION err;
        NEWMAIL_NOTIFICATION newmail;
        OBJECT_NOTIFICATION obj;
        TABLE_NOTIFICATION tab;
        EXTENDED_NOTIFICATION ext;
        STATUS_OBJECT_NOTIFICATION statobj;
    } info;
};
using LPNOTIFICATION = NOTIFICATION*;

struct MAPIERROR {
    ULONG ulVersion;
    LPSTR lpszError;
    LPSTR lpszComponent;
    ULONG ulLowLevelError;
    ULONG ulContext;
};
using LPMAPIERROR = MAPIERROR*;
#define MAPI_ERROR_VERSION 0x00000000u

// Initialisation.
struct MAPIINIT_0 {
    ULONG ulVersion;
    ULONG ulFlags;
};
using LPMAPIINIT_0 = MAPIINIT_0*;
using MAPIINIT = MAPIINIT_0;
using LPMAPIINIT = MAPIINIT*;
#define MAPI_INIT_VERSION 0
