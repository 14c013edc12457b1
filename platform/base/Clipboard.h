// The clipboard: one per process, shared by its threads. A thread opens it (while another
// thread holds it open, OpenClipboard fails), empties it, sets and reads data by format and
// closes it. Data set on the clipboard belongs to it: global memory blocks (base/GlobalMemory.h)
// for every format but CF_BITMAP, whose data is a bitmap (base/Bitmap.h); emptying the
// clipboard or setting a format again frees the data it replaces. Formats enumerate in the
// order they were first set. Registered formats share their numbers (from 0xC000 on) with
// RegisterWindowMessageA. Nothing here reaches the desktop's own clipboard, and data cannot be
// rendered on request (SetClipboardData needs the data).
#pragma once

#include "base/WinTypes.h"

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_PENDATA 10
#define CF_RIFF 11
#define CF_WAVE 12
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define CF_HDROP 15
#define CF_LOCALE 16
#define CF_DIBV5 17

#ifndef ERROR_CLIPBOARD_NOT_OPEN
#define ERROR_CLIPBOARD_NOT_OPEN 1418L
#endif

extern "C" {
// The format's number for the name (letter case aside, the same name gives the same number);
// 0 and ERROR_INVALID_PARAMETER for a null or empty name.
UINT RegisterClipboardFormatA(LPCSTR format);
// Copies the registered format's name as it was first given (cut to maxCount - 1 characters)
// and returns its length; 0 and ERROR_INVALID_PARAMETER for a predefined or unknown format or
// no buffer.
int GetClipboardFormatNameA(UINT format, LPSTR formatName, int maxCount);
// Opens the clipboard for the calling thread (again, when it has it open already); `owner` is
// accepted and not used. FALSE and ERROR_ACCESS_DENIED while another thread has it open.
BOOL OpenClipboard(HWND owner);
// The calling thread must have the clipboard open (else FALSE / null / 0 and
// ERROR_CLIPBOARD_NOT_OPEN) for the functions below.
BOOL CloseClipboard();
// Frees all data on the clipboard.
BOOL EmptyClipboard();
// Puts the data under the format and returns it; null and ERROR_INVALID_PARAMETER for format 0
// or null data, ERROR_INVALID_HANDLE for data that is not a live block (a bitmap for CF_BITMAP).
HANDLE SetClipboardData(UINT format, HANDLE memory);
// The data of the format (still the clipboard's); null when there is none.
HANDLE GetClipboardData(UINT format);
// The format after `format` (0: the first); 0 with ERROR_SUCCESS after the last.
UINT EnumClipboardFormats(UINT format);
}
