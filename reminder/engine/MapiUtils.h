// The add-in's MAPI utilities: binary keys as lower-case hex text (the form in which entry IDs
// and record keys cross the add-in's interfaces and the registry), small SBinary, tag-array and
// row-set routines, the cached copy of a table kept in step with its table notifications, and
// switching the host's own reminders off and on in a store.
#pragma once

#include "com/Bstr.h"
#include "mapi/Mapi.h"

#include <string>
#include <string_view>
#include <vector>

// Hex text of the bytes, two lower-case digits per byte; an empty key gives the empty text.
HRESULT SBin2bstr(const SBinary* bin, BSTR* text);
// Text length / 2 bytes (a last odd digit is ignored), from the C run-time heap; free them with
// FreeSBinary. A character that is no hex digit gives E_INVALIDARG and hands out nothing.
HRESULT bstr2SBin(BSTR text, SBinary* bin);
HRESULT CopySBinary(const SBinary* source, SBinary* copy);
// Frees the bytes of bstr2SBin or CopySBinary and clears the binary; returns its argument.
SBinary* FreeSBinary(SBinary* bin);
// 0 when equal; lengths that differ give length 1 - length 2, else the memcmp of the bytes.
int CompareSBinary(const SBinary* bin1, const SBinary* bin2);
int CompareBinary(ULONG cb1, const BYTE* pb1, ULONG cb2, const BYTE* pb2);
// The same conversions for 8-bit text, as the registry keeps it; ParseHexString is false (and
// leaves bytes empty) for a character that is no hex digit.
std::string HexString(ULONG cb, const BYTE* pb);
bool ParseHexString(std::string_view text, std::vector<BYTE>& bytes);

// Whether the first n dot-separated components of two container classes are equal, ignoring
// case ("IPF.Note.Custom" and "IPF.NOTE" agree for n = 2).
bool CompareContainerClassA(LPCSTR class1, LPCSTR class2, ULONG n);
bool CompareContainerClassW(LPCWSTR class1, LPCWSTR class2, ULONG n);

// String tags to PT_UNICODE (toUnicode) or PT_STRING8, multi-valued ones too; other tags stay.
void AdjustPropTagArrayCharSet(SPropTagArray* tags, bool toUnicode);
void SortOrderSetSwitchStringType(SSortOrderSet* sortOrder, bool toUnicode);
// Frees every row's property block, then the set; *rows becomes NULL.
void FreeRowSet(SRowSet** rows);

// TRUE when the store works offline (PR_STORE_OFFLINE can be read and is set).
bool IsOnline(IMsgStore* store);

// Points the store's Reminders search folder at the Outbox, so that the host reminds of nothing
// in that store. Before its first suppression the folder's scope (container list and search
// flags) is saved under HKCU\Software\Halvesta\Lumivane Suppression\<store record key hex>.
HRESULT DisableDefaultReminders(IMsgStore* store);
// Restores what the Reminders folder searched before the suppression and drops the saved scope;
// without one, the host's default scope.
HRESULT EnableDefaultReminders(IMsgStore* store);
// Whether a suppression of the store with this record key (hex text or bytes) waits to be undone.
bool HasSuppressionRecord(std::string_view recordKeyHex);
bool HasSuppressionRecord(const SBinary* recordKey);

// Index of the tag among the first row's values; MAPI_E_NOT_FOUND without rows or such a column.
HRESULT GetColIndex(ULONG propTag, const SRowSet* rows, ULONG* index);
// Index of the first row whose PR_INSTANCE_KEY equals the key; MAPI_E_NOT_FOUND when none does.
HRESULT GetRowIndex(const SPropValue* instanceKey, const SRowSet* rows, ULONG* index);

// The cached rows of a table (*rows, MAPI buffers, may be NULL) after one table notification.
// A row whose place cannot be found in the cache is appended: the order carries no meaning.
HRESULT PropSetAddRow(const TABLE_NOTIFICATION* notification, SRowSet** rows);
// Removes the row whose instance key is the notification's propIndex; its values go to *removed
// (the caller frees lpProps) or are freed when removed is NULL.
HRESULT PropSetDeleteRow(const TABLE_NOTIFICATION* notification, SRowSet** rows, SRow* removed);
HRESULT PropSetModifyRow(const TABLE_NOTIFICATION* notification, SRowSet** rows);
