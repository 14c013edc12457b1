// C runtime path helpers. There are no drive letters here: the drive part is always empty.
// Both '/' and '\\' separate folders.
#pragma once

#include <cstdio>

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

extern "C" {
// Splits a path into drive (always empty), folder (with its closing separator), file name and
// extension (from the last '.' of the file name on). Any output may be null; each part is cut
// to the size its _MAX_ constant gives.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Joins the parts (any may be null or empty) into path, a buffer of _MAX_PATH characters:
// a separator is added behind the folder when it has none, and a '.' before the extension.
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);
// Opens a stream with sharing control: a stream that denies writing (or reading) holds an
// exclusive lock on the file for its lifetime, and any further open that denies writing, or
// that writes, fails with errno EACCES and ERROR_SHARING_VIOLATION while it is held, in
// this process or another. Mode "w" truncates only after the lock is won.
FILE* _fsopen(const char* fileName, const char* mode, int shflag);
}

#include <string>
#include <string_view>

namespace platform {

// The path with every '\\' made a '/'.
std::string NativePath(std::string_view path);
// Opens the file (::open with `flags`, mode 0666) and takes the sharing lock `lock` (LOCK_SH,
// LOCK_EX or 0: none) that _fsopen and CreateFileA use, without waiting; truncates the file only
// once the lock is won. The descriptor, or -1 with the last error set (ERROR_SHARING_VIOLATION
// and errno EACCES when another open holds a lock that excludes this one).
int OpenSharedFile(const std::string& path, int flags, int lock, bool truncate);

} // namespace platform
