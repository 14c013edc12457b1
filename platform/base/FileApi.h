// Win32 file functions over the file system: creating and writing files, deleting them, finding
// them by pattern and reading their attributes. '\' separates folders as well as '/'; there are
// no drive letters. A file handle is a kind of the kernel-handle table (base/Handles.h) and is
// closed with CloseHandle; a search handle is closed with FindClose. Sharing follows _fsopen
// (base/Path.h): an open that lets others neither read nor write holds the file exclusively, in
// this process and in others, and an open that writes is refused while another holds it so.
#pragma once

#include "base/Handles.h"
#include "base/WinTypes.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#ifndef ERROR_NO_MORE_FILES
#define ERROR_NO_MORE_FILES 18L
#endif

struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

extern "C" {
// Opens or creates a file (GENERIC_READ and/or GENERIC_WRITE; a disposition CREATE_NEW ...
// TRUNCATE_EXISTING). FILE_ATTRIBUTE_READONLY on a new file makes it read-only; other
// attributes and flags are accepted. CREATE_ALWAYS and OPEN_ALWAYS set ERROR_ALREADY_EXISTS
// when the file was there, else ERROR_SUCCESS. INVALID_HANDLE_VALUE on failure:
// ERROR_FILE_EXISTS (CREATE_NEW), ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND (no such folder),
// ERROR_ACCESS_DENIED (a folder, or no right), ERROR_SHARING_VIOLATION, ERROR_INVALID_PARAMETER
// (no access asked, another disposition, a template file).
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Writes all `bytes` (overlapped writing is not offered: ERROR_INVALID_PARAMETER). A short write
// gives FALSE with the error (ERROR_DISK_FULL for a full disk) and the bytes written so far.
// ERROR_ACCESS_DENIED for a handle not opened for writing, ERROR_INVALID_HANDLE for no file.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, LPOVERLAPPED overlapped);
// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED (a folder, or no right).
BOOL DeleteFileA(LPCSTR fileName);
// The first entry of the folder whose name matches the pattern's last part ('*' any text, '?'
// one character, letter case aside; "*.*" is every name, "." and ".." included), in the order
// of their names; further ones with FindNextFileA (FALSE and ERROR_NO_MORE_FILES after the
// last). INVALID_HANDLE_VALUE and ERROR_FILE_NOT_FOUND when nothing matches,
// ERROR_PATH_NOT_FOUND when the folder does not exist.
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE find);
// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_READONLY for what the user may not
// write, FILE_ATTRIBUTE_HIDDEN for a name that starts with '.', FILE_ATTRIBUTE_NORMAL for a file
// with none of these. INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND.
DWORD GetFileAttributesA(LPCSTR fileName);
}
