#include "TraceMapi.h"

#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"

namespace {

struct PropTagName {
    ULONG tag;
    const char* name;
};

// The tags of our MAPI header in its order. A text tag stands three times: its plain name with
// the 8-bit type, the "_W" name and the "_A" name, so the first match gives the plain name to
// 8-bit tags and the "_W" name to wide ones.
const PropTagName PropTagNameTable[] = {
    {PR_ACKNOWLEDGEMENT_MODE, "PR_ACKNOWLEDGEMENT_MODE"},
    {PR_IMPORTANCE, "PR_IMPORTANCE"},
    {PR_MESSAGE_CLASS, "PR_MESSAGE_CLASS"},
    {PR_MESSAGE_CLASS_W, "PR_MESSAGE_CLASS_W"},
    {PR_MESSAGE_CLASS_A, "PR_MESSAGE_CLASS_A"},
    {PR_SENSITIVITY, "PR_SENSITIVITY"},
    {PR_SUBJECT, "PR_SUBJECT"},
    {PR_SUBJECT_W, "PR_SUBJECT_W"},
    {PR_SUBJECT_A, "PR_SUBJECT_A"},
    {PR_CLIENT_SUBMIT_TIME, "PR_CLIENT_SUBMIT_TIME"},
    {PR_SENT_REPRESENTING_NAME, "PR_SENT_REPRESENTING_NAME"},
    {PR_SENT_REPRESENTING_NAME_W, "PR_SENT_REPRESENTING_NAME_W"},
    {PR_SENT_REPRESENTING_NAME_A, "PR_SENT_REPRESENTING_NAME_A"},
    {PR_SENT_REPRESENTING_EMAIL_ADDRESS, "PR_SENT_REPRESENTING_EMAIL_ADDRESS"},
    {PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, "PR_SENT_REPRESENTING_EMAIL_ADDRESS_W"},
    {PR_SENT_REPRESENTING_EMAIL_ADDRESS_A, "PR_SENT_REPRESENTING_EMAIL_ADDRESS_A"},
    {PR_SUBJECT_PREFIX, "PR_SUBJECT_PREFIX"},
    {PR_SUBJECT_PREFIX_W, "PR_SUBJECT_PREFIX_W"},
    {PR_SUBJECT_PREFIX_A, "PR_SUBJECT_PREFIX_A"},
    {PR_CONVERSATION_TOPIC, "PR_CONVERSATION_TOPIC"},
    {PR_CONVERSATION_TOPIC_W, "PR_CONVERSATION_TOPIC_W"},
    {PR_CONVERSATION_TOPIC_A, "PR_CONVERSATION_TOPIC_A"},
    {PR_CONVERSATION_INDEX, "PR_CONVERSATION_INDEX"},
    {PR_SENDER_NAME, "PR_SENDER_NAME"},
    {PR_SENDER_NAME_W, "PR_SENDER_NAME_W"},
    {PR_SENDER_NAME_A, "PR_SENDER_NAME_A"},
    {PR_SENDER_EMAIL_ADDRESS, "PR_SENDER_EMAIL_ADDRESS"},
    {PR_SENDER_EMAIL_ADDRESS_W, "PR_SENDER_EMAIL_ADDRESS_W"},
    {PR_SENDER_EMAIL_ADDRESS_A, "PR_SENDER_EMAIL_ADDRESS_A"},
    {PR_SENDER_ENTRYID, "PR_SENDER_ENTRYID"},
    {PR_RECIPIENT_TYPE, "PR_RECIPIENT_TYPE"},
    {PR_DISPLAY_BCC, "PR_DISPLAY_BCC"},
    {PR_DISPLAY_BCC_W, "PR_DISPLAY_BCC_W"},
    {PR_DISPLAY_BCC_A, "PR_DISPLAY_BCC_A"},
    {PR_DISPLAY_CC, "PR_DISPLAY_CC"},
    {PR_DISPLAY_CC_W, "PR_DISPLAY_CC_W"},
    {PR_DISPLAY_CC_A, "PR_DISPLAY_CC_A"},
    {PR_DISPLAY_TO, "PR_DISPLAY_TO"},
    {PR_DISPLAY_TO_W, "PR_DISPLAY_TO_W"},
    {PR_DISPLAY_TO_A, "PR_DISPLAY_TO_A"},
    {PR_MESSAGE_DELIVERY_TIME, "PR_MESSAGE_DELIVERY_TIME"},
    {PR_MESSAGE_FLAGS, "PR_MESSAGE_FLAGS"},
    {PR_MESSAGE_SIZE, "PR_MESSAGE_SIZE"},
    {PR_PARENT_ENTRYID, "PR_PARENT_ENTRYID"},
    {PR_SENTMAIL_ENTRYID, "PR_SENTMAIL_ENTRYID"},
    {PR_DELETE_AFTER_SUBMIT, "PR_DELETE_AFTER_SUBMIT"},
    {PR_MESSAGE_RECIPIENTS, "PR_MESSAGE_RECIPIENTS"},
    {PR_MESSAGE_ATTACHMENTS, "PR_MESSAGE_ATTACHMENTS"},
    {PR_MSG_STATUS, "PR_MSG_STATUS"},
    {PR_HASATTACH, "PR_HASATTACH"},
    {PR_NORMALIZED_SUBJECT, "PR_NORMALIZED_SUBJECT"},
    {PR_NORMALIZED_SUBJECT_W, "PR_NORMALIZED_SUBJECT_W"},
    {PR_NORMALIZED_SUBJECT_A, "PR_NORMALIZED_SUBJECT_A"},
    {PR_RTF_IN_SYNC, "PR_RTF_IN_SYNC"},
    {PR_ATTACH_SIZE, "PR_ATTACH_SIZE"},
    {PR_ATTACH_NUM, "PR_ATTACH_NUM"},
    {PR_ACCESS, "PR_ACCESS"},
    {PR_ROW_TYPE, "PR_ROW_TYPE"},
    {PR_INSTANCE_KEY, "PR_INSTANCE_KEY"},
    {PR_ACCESS_LEVEL, "PR_ACCESS_LEVEL"},
    {PR_MAPPING_SIGNATURE, "PR_MAPPING_SIGNATURE"},
    {PR_RECORD_KEY, "PR_RECORD_KEY"},
    {PR_STORE_RECORD_KEY, "PR_STORE_RECORD_KEY"},
    {PR_STORE_ENTRYID, "PR_STORE_ENTRYID"},
    {PR_OBJECT_TYPE, "PR_OBJECT_TYPE"},
    {PR_ENTRYID, "PR_ENTRYID"},
    {PR_BODY, "PR_BODY"},
    {PR_BODY_W, "PR_BODY_W"},
    {PR_BODY_A, "PR_BODY_A"},
    {PR_RTF_COMPRESSED, "PR_RTF_COMPRESSED"},
    {PR_HTML, "PR_HTML"},
    {PR_ICON_INDEX, "PR_ICON_INDEX"},
    {PR_FOLLOWUP_ICON, "PR_FOLLOWUP_ICON"},
    {PR_ROWID, "PR_ROWID"},
    {PR_DISPLAY_NAME, "PR_DISPLAY_NAME"},
    {PR_DISPLAY_NAME_W, "PR_DISPLAY_NAME_W"},
    {PR_DISPLAY_NAME_A, "PR_DISPLAY_NAME_A"},
    {PR_ADDRTYPE, "PR_ADDRTYPE"},
    {PR_ADDRTYPE_W, "PR_ADDRTYPE_W"},
    {PR_ADDRTYPE_A, "PR_ADDRTYPE_A"},
    {PR_EMAIL_ADDRESS, "PR_EMAIL_ADDRESS"},
    {PR_EMAIL_ADDRESS_W, "PR_EMAIL_ADDRESS_W"},
    {PR_EMAIL_ADDRESS_A, "PR_EMAIL_ADDRESS_A"},
    {PR_COMMENT, "PR_COMMENT"},
    {PR_COMMENT_W, "PR_COMMENT_W"},
    {PR_COMMENT_A, "PR_COMMENT_A"},
    {PR_DEPTH, "PR_DEPTH"},
    {PR_PROVIDER_DISPLAY, "PR_PROVIDER_DISPLAY"},
    {PR_PROVIDER_DISPLAY_W, "PR_PROVIDER_DISPLAY_W"},
    {PR_PROVIDER_DISPLAY_A, "PR_PROVIDER_DISPLAY_A"},
    {PR_CREATION_TIME, "PR_CREATION_TIME"},
    {PR_LAST_MODIFICATION_TIME, "PR_LAST_MODIFICATION_TIME"},
    {PR_RESOURCE_FLAGS, "PR_RESOURCE_FLAGS"},
    {PR_PROVIDER_DLL_NAME, "PR_PROVIDER_DLL_NAME"},
    {PR_PROVIDER_DLL_NAME_W, "PR_PROVIDER_DLL_NAME_W"},
    {PR_PROVIDER_DLL_NAME_A, "PR_PROVIDER_DLL_NAME_A"},
    {PR_SEARCH_KEY, "PR_SEARCH_KEY"},
    {PR_PROVIDER_UID, "PR_PROVIDER_UID"},
    {PR_DEFAULT_STORE, "PR_DEFAULT_STORE"},
    {PR_STORE_SUPPORT_MASK, "PR_STORE_SUPPORT_MASK"},
    {PR_STORE_STATE, "PR_STORE_STATE"},
    {PR_IPM_SUBTREE_SEARCH_KEY, "PR_IPM_SUBTREE_SEARCH_KEY"},
    {PR_IPM_OUTBOX_SEARCH_KEY, "PR_IPM_OUTBOX_SEARCH_KEY"},
    {PR_IPM_WASTEBASKET_SEARCH_KEY, "PR_IPM_WASTEBASKET_SEARCH_KEY"},
    {PR_IPM_SENTMAIL_SEARCH_KEY, "PR_IPM_SENTMAIL_SEARCH_KEY"},
    {PR_MDB_PROVIDER, "PR_MDB_PROVIDER"},
    {PR_RECEIVE_FOLDER_SETTINGS, "PR_RECEIVE_FOLDER_SETTINGS"},
    {PR_VALID_FOLDER_MASK, "PR_VALID_FOLDER_MASK"},
    {PR_IPM_SUBTREE_ENTRYID, "PR_IPM_SUBTREE_ENTRYID"},
    {PR_IPM_OUTBOX_ENTRYID, "PR_IPM_OUTBOX_ENTRYID"},
    {PR_IPM_WASTEBASKET_ENTRYID, "PR_IPM_WASTEBASKET_ENTRYID"},
    {PR_IPM_SENTMAIL_ENTRYID, "PR_IPM_SENTMAIL_ENTRYID"},
    {PR_VIEWS_ENTRYID, "PR_VIEWS_ENTRYID"},
    {PR_COMMON_VIEWS_ENTRYID, "PR_COMMON_VIEWS_ENTRYID"},
    {PR_FINDER_ENTRYID, "PR_FINDER_ENTRYID"},
    {PR_CONTAINER_FLAGS, "PR_CONTAINER_FLAGS"},
    {PR_FOLDER_TYPE, "PR_FOLDER_TYPE"},
    {PR_CONTENT_COUNT, "PR_CONTENT_COUNT"},
    {PR_CONTENT_UNREAD, "PR_CONTENT_UNREAD"},
    {PR_SELECTABLE, "PR_SELECTABLE"},
    {PR_SUBFOLDERS, "PR_SUBFOLDERS"},
    {PR_STATUS, "PR_STATUS"},
    {PR_ANR, "PR_ANR"},
    {PR_ANR_W, "PR_ANR_W"},
    {PR_ANR_A, "PR_ANR_A"},
    {PR_CONTENTS_SORT_ORDER, "PR_CONTENTS_SORT_ORDER"},
    {PR_CONTAINER_HIERARCHY, "PR_CONTAINER_HIERARCHY"},
    {PR_CONTAINER_CONTENTS, "PR_CONTAINER_CONTENTS"},
    {PR_FOLDER_ASSOCIATED_CONTENTS, "PR_FOLDER_ASSOCIATED_CONTENTS"},
    {PR_DEF_CREATE_DL, "PR_DEF_CREATE_DL"},
    {PR_DEF_CREATE_MAILUSER, "PR_DEF_CREATE_MAILUSER"},
    {PR_CONTAINER_CLASS, "PR_CONTAINER_CLASS"},
    {PR_CONTAINER_CLASS_W, "PR_CONTAINER_CLASS_W"},
    {PR_CONTAINER_CLASS_A, "PR_CONTAINER_CLASS_A"},
    {PR_CONTAINER_MODIFY_VERSION, "PR_CONTAINER_MODIFY_VERSION"},
    {PR_ASSOC_CONTENT_COUNT, "PR_ASSOC_CONTENT_COUNT"},
    {PR_IPM_APPOINTMENT_ENTRYID, "PR_IPM_APPOINTMENT_ENTRYID"},
    {PR_IPM_CONTACT_ENTRYID, "PR_IPM_CONTACT_ENTRYID"},
    {PR_IPM_JOURNAL_ENTRYID, "PR_IPM_JOURNAL_ENTRYID"},
    {PR_IPM_NOTE_ENTRYID, "PR_IPM_NOTE_ENTRYID"},
    {PR_IPM_TASK_ENTRYID, "PR_IPM_TASK_ENTRYID"},
    {PR_REM_ONLINE_ENTRYID, "PR_REM_ONLINE_ENTRYID"},
    {PR_REM_OFFLINE_ENTRYID, "PR_REM_OFFLINE_ENTRYID"},
    {PR_IPM_DRAFTS_ENTRYID, "PR_IPM_DRAFTS_ENTRYID"},
    {PR_ADDITIONAL_REN_ENTRYIDS, "PR_ADDITIONAL_REN_ENTRYIDS"},
    {PR_ADDITIONAL_REN_ENTRYIDS_EX, "PR_ADDITIONAL_REN_ENTRYIDS_EX"},
    {PR_EXTENDED_FOLDER_FLAGS, "PR_EXTENDED_FOLDER_FLAGS"},
    {PR_ATTACHMENT_X400_PARAMETERS, "PR_ATTACHMENT_X400_PARAMETERS"},
    {PR_ATTACH_DATA_BIN, "PR_ATTACH_DATA_BIN"},
    {PR_ATTACH_DATA_OBJ, "PR_ATTACH_DATA_OBJ"},
    {PR_ATTACH_ENCODING, "PR_ATTACH_ENCODING"},
    {PR_ATTACH_EXTENSION, "PR_ATTACH_EXTENSION"},
    {PR_ATTACH_EXTENSION_W, "PR_ATTACH_EXTENSION_W"},
    {PR_ATTACH_EXTENSION_A, "PR_ATTACH_EXTENSION_A"},
    {PR_ATTACH_FILENAME, "PR_ATTACH_FILENAME"},
    {PR_ATTACH_FILENAME_W, "PR_ATTACH_FILENAME_W"},
    {PR_ATTACH_FILENAME_A, "PR_ATTACH_FILENAME_A"},
    {PR_ATTACH_METHOD, "PR_ATTACH_METHOD"},
    {PR_ATTACH_LONG_FILENAME, "PR_ATTACH_LONG_FILENAME"},
    {PR_ATTACH_LONG_FILENAME_W, "PR_ATTACH_LONG_FILENAME_W"},
    {PR_ATTACH_LONG_FILENAME_A, "PR_ATTACH_LONG_FILENAME_A"},
    {PR_ATTACH_PATHNAME, "PR_ATTACH_PATHNAME"},
    {PR_ATTACH_PATHNAME_W, "PR_ATTACH_PATHNAME_W"},
    {PR_ATTACH_PATHNAME_A, "PR_ATTACH_PATHNAME_A"},
    {PR_ATTACH_RENDERING, "PR_ATTACH_RENDERING"},
    {PR_RENDERING_POSITION, "PR_RENDERING_POSITION"},
    {PR_ATTACH_MIME_TAG, "PR_ATTACH_MIME_TAG"},
    {PR_ATTACH_MIME_TAG_W, "PR_ATTACH_MIME_TAG_W"},
    {PR_ATTACH_MIME_TAG_A, "PR_ATTACH_MIME_TAG_A"},
    {PR_ATTACH_CONTENT_ID, "PR_ATTACH_CONTENT_ID"},
    {PR_ATTACH_CONTENT_ID_W, "PR_ATTACH_CONTENT_ID_W"},
    {PR_ATTACH_CONTENT_ID_A, "PR_ATTACH_CONTENT_ID_A"},
    {PR_ATTACH_FLAGS, "PR_ATTACH_FLAGS"},
    {PR_DISPLAY_TYPE, "PR_DISPLAY_TYPE"},
    {PR_SMTP_ADDRESS, "PR_SMTP_ADDRESS"},
    {PR_SMTP_ADDRESS_W, "PR_SMTP_ADDRESS_W"},
    {PR_SMTP_ADDRESS_A, "PR_SMTP_ADDRESS_A"},
    {PR_SERVICE_NAME, "PR_SERVICE_NAME"},
    {PR_SERVICE_NAME_W, "PR_SERVICE_NAME_W"},
    {PR_SERVICE_NAME_A, "PR_SERVICE_NAME_A"},
    {PR_SERVICE_DLL_NAME, "PR_SERVICE_DLL_NAME"},
    {PR_SERVICE_DLL_NAME_W, "PR_SERVICE_DLL_NAME_W"},
    {PR_SERVICE_DLL_NAME_A, "PR_SERVICE_DLL_NAME_A"},
    {PR_SERVICE_UID, "PR_SERVICE_UID"},
    {PR_SERVICES, "PR_SERVICES"},
    {PR_DEFAULT_PROFILE, "PR_DEFAULT_PROFILE"},
    {PR_PROFILE_NAME, "PR_PROFILE_NAME"},
    {PR_PROFILE_NAME_W, "PR_PROFILE_NAME_W"},
    {PR_PROFILE_NAME_A, "PR_PROFILE_NAME_A"},
    {PR_SERVICE_ID, "PR_SERVICE_ID"},
    {PR_RESOURCE_TYPE, "PR_RESOURCE_TYPE"},
    {PR_INITIAL_DETAILS_PANE, "PR_INITIAL_DETAILS_PANE"},
    {PR_NON_IPM_SUBTREE_ENTRYID, "PR_NON_IPM_SUBTREE_ENTRYID"},
    {PR_EFORMS_REGISTRY_ENTRYID, "PR_EFORMS_REGISTRY_ENTRYID"},
    {PR_IPM_FAVORITES_ENTRYID, "PR_IPM_FAVORITES_ENTRYID"},
    {PR_IPM_PUBLIC_FOLDERS_ENTRYID, "PR_IPM_PUBLIC_FOLDERS_ENTRYID"},
    {PR_STORE_OFFLINE, "PR_STORE_OFFLINE"},
    {PR_INTERNET_MESSAGE_ID, "PR_INTERNET_MESSAGE_ID"},
    {PR_INTERNET_MESSAGE_ID_W, "PR_INTERNET_MESSAGE_ID_W"},
    {PR_INTERNET_MESSAGE_ID_A, "PR_INTERNET_MESSAGE_ID_A"},
    {PR_SEND_RICH_INFO, "PR_SEND_RICH_INFO"},
    {0, nullptr},
};

struct ValueName {
    ULONG value;
    const char* name;
};

const ValueName kNotificationEvents[] = {
    {fnevCriticalError, "fnevCriticalError"},
    {fnevNewMail, "fnevNewMail"},
    {fnevObjectCreated, "fnevObjectCreated"},
    {fnevObjectDeleted, "fnevObjectDeleted"},
    {fnevObjectModified, "fnevObjectModified"},
    {fnevObjectMoved, "fnevObjectMoved"},
    {fnevObjectCopied, "fnevObjectCopied"},
    {fnevSearchComplete, "fnevSearchComplete"},
    {fnevTableModified, "fnevTableModified"},
    {fnevStatusObjectModified, "fnevStatusObjectModified"},
    {fnevReservedForMapi, "fnevReservedForMapi"},
    {fnevExtended, "fnevExtended"},
};

const ValueName kTableEvents[] = {
    {TABLE_CHANGED, "TABLE_CHANGED"},
    {TABLE_ERROR, "TABLE_ERROR"},
    {TABLE_ROW_ADDED, "TABLE_ROW_ADDED"},
    {TABLE_ROW_DELETED, "TABLE_ROW_DELETED"},
    {TABLE_ROW_MODIFIED, "TABLE_ROW_MODIFIED"},
    {TABLE_SORT_DONE, "TABLE_SORT_DONE"},
    {TABLE_RESTRICT_DONE, "TABLE_RESTRICT_DONE"},
    {TABLE_SETCOL_DONE, "TABLE_SETCOL_DONE"},
    {TABLE_RELOAD, "TABLE_RELOAD"},
};

// Client-extension contexts and property-sheet kinds (their numbers as the host passes them).
// The tenth context's name is spelt as the host's documentation spells it.
const ValueName kExtensionContexts[] = {
    {1, "EECONTEXT_SESSION"},
    {2, "EECONTEXT_VIEWER"},
    {3, "EECONTEXT_REMOTEVIEWER"},
    {4, "EECONTEXT_SEARCHVIEWER"},
    {5, "EECONTEXT_ADDRBOOK"},
    {6, "EECONTEXT_SENDNOTEMESSAGE"},
    {7, "EECONTEXT_READNOTEMESSAGE"},
    {8, "EECONTEXT_SENDPOSTMESSAGE"},
    {9, "EECONTEXT_READPOSTMESSAGE"},
    {10, "EEONTEXT_READREPORTMESSAGE"},
    {11, "EECONTEXT_SENDRESENDMESSAGE"},
    {12, "EECONTEXT_PROPERTYSHEETS"},
    {13, "EECONTEXT_ADVANCEDCRITERIA"},
    {14, "EECONTEXT_TASK"},
};

const ValueName kPropSheetFlags[] = {
    {1, "EEPS_MESSAGE"},
    {2, "EEPS_FOLDER"},
    {3, "EEPS_STORE"},
    {4, "EEPS_TOOLSOPTIONS"},
};

template <std::size_t N>
const char* NameOf(const ValueName (&table)[N], ULONG value)
{
    for (const auto& entry : table)
        if (entry.value == value)
            return entry.name;
    return nullptr;
}

// Whether dumps are written: the current level is 2 or more. The writer offers no getter, so
// the level is read by setting it and putting it back.
bool DumpsOn()
{
    const int level = TraceSetLevel(TL_DEBUG);
    TraceSetLevel(level);
    return level >= TL_DEBUG;
}

constexpr ULONG kMaxBinaryBytes = 1025;

} // namespace

#define DUMP(...) TracePrintRaw(__FILE__, __LINE__, TL_DEBUG, __VA_ARGS__)

extern "C" {

void TracePropTag(ULONG ulPropTag)
{
    if (!DumpsOn())
        return;
    for (const PropTagName* p = PropTagNameTable; p->tag != 0; ++p) {
        if (p->tag == ulPropTag) {
            DUMP("%s", p->name);
            return;
        }
    }
    DUMP("%08lx", ulPropTag);
}

void TraceBinary(ULONG cb, const BYTE* lpb)
{
    if (!DumpsOn())
        return;
    DUMP("(%d) ", static_cast<int>(cb));
    for (ULONG i = 0; i < cb && lpb; ++i) {
        DUMP("%02x", static_cast<unsigned>(lpb[i]));
        if (i + 1 == kMaxBinaryBytes) {
            DUMP("...");
            break;
        }
    }
    DUMP("\n");
}

void TracePropValues(ULONG cValues, const SPropValue* lpProps)
{
    if (!DumpsOn())
        return;
    if (!lpProps) {
        DUMP("NULL\n");
        return;
    }
    DUMP("%d values.\n", static_cast<int>(cValues));
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& v = lpProps[i];
        TracePropTag(v.ulPropTag);
        DUMP("\n");
        switch (PROP_TYPE(v.ulPropTag)) {
        case PT_NULL:
            DUMP("NULL\n");
            break;
        case PT_LONG:
            DUMP("l=0x%08x\n", static_cast<unsigned>(v.Value.l));
            break;
        case PT_ERROR:
            DUMP("ERROR\n");
            break;
        case PT_BOOLEAN:
            DUMP("b=%d (%s)\n", static_cast<int>(v.Value.b), v.Value.b ? "true" : "false");
            break;
        case PT_STRING8:
            DUMP("lpszA=%s\n", v.Value.lpszA ? v.Value.lpszA : "");
            break;
        case PT_UNICODE:
            DUMP("lpszW=%S\n", v.Value.lpszW ? v.Value.lpszW : u"");
            break;
        case PT_BINARY:
            TraceBinary(v.Value.bin.cb, v.Value.bin.lpb);
            break;
        default:
            DUMP("...\n");
            break;
        }
    }
}

void TraceRow(const SRow* lpRow)
{
    if (!DumpsOn())
        return;
    if (!lpRow) {
        DUMP("NULL\n");
        return;
    }
    TracePropValues(lpRow->cValues, lpRow->lpProps);
}

void TraceRowSet(const SRowSet* lpRows)
{
    if (!DumpsOn())
        return;
    DUMP("%d rows.\n", static_cast<int>(lpRows->cRows));
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        DUMP("row %d:\n", static_cast<int>(i));
        TraceRow(&lpRows->aRow[i]);
    }
}

void TraceNotification(const NOTIFICATION* lpNotification)
{
    if (!DumpsOn())
        return;
    const ULONG type = lpNotification->ulEventType;
    if (const char* name = NameOf(kNotificationEvents, type))
        DUMP("ulEventType: %s\n", name);
    else
        DUMP("ulEventType: %d (unknown)\n", static_cast<int>(type));
    if (type != fnevTableModified) {
        DUMP("\n");
        return;
    }
    const TABLE_NOTIFICATION& t = lpNotification->info.tab;
    if (const char* name = NameOf(kTableEvents, t.ulTableEvent))
        DUMP("ulTableEvent: %s\n", name);
    else
        DUMP("ulTableEvent: %d (unknown)\n", static_cast<int>(t.ulTableEvent));
    if (t.ulTableEvent == TABLE_ERROR)
        DUMP("hResult: 0x%08lx\n", static_cast<ULONG>(t.hResult));
    DUMP("propIndex: \n");
    TraceBinary(t.propIndex.Value.bin.cb, t.propIndex.Value.bin.lpb);
    DUMP("propPrior: \n");
    TraceBinary(t.propPrior.Value.bin.cb, t.propPrior.Value.bin.lpb);
    DUMP("row: \n");
    TraceRow(&t.row);
    DUMP("\n");
}

void TraceExtensionContext(ULONG ulContext)
{
    if (!DumpsOn())
        return;
    if (const char* name = NameOf(kExtensionContexts, ulContext))
        DUMP("Context: %s\n", name);
    else
        DUMP("Unknown context : %d \n", static_cast<int>(ulContext));
}

void TracePropSheetFlags(ULONG ulFlag)
{
    if (!DumpsOn())
        return;
    if (const char* name = NameOf(kPropSheetFlags, ulFlag))
        DUMP("Flag: %s\n", name);
    else
        DUMP("Unknown flag: %d \n", static_cast<int>(ulFlag));
}

} // extern "C"
