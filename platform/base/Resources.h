// Resources of modules. Each program and shared library of the suite carries its own
// resources (strings, icons, bitmaps, menus and typed binary data), compiled into it from a
// resource script by suite_embed_resources (cmake/Resources.cmake) and found by the module's
// handle: two modules may use the same ids. A resource exists per language; a lookup takes the
// thread's UI language (base/UiLanguage.h), or the language asked for, in this order: the exact
// language, one of the same primary language (1034 finds 3082), English (1033), then a resource
// given without a language.
#pragma once

#include "base/ResourceImage.h"
#include "base/WinTypes.h"

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)

#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_VERSION MAKEINTRESOURCEA(16)

// Languages.
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define LANG_GERMAN 0x07
#define LANG_FRENCH 0x0c
#define LANG_ITALIAN 0x10
#define LANG_SPANISH 0x0a
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) (static_cast<WORD>((static_cast<WORD>(s) << 10) | static_cast<WORD>(p)))
#define PRIMARYLANGID(lgid) (static_cast<WORD>(lgid) & 0x3ff)
#define SUBLANGID(lgid) (static_cast<WORD>(lgid) >> 10)

// System icons (LoadIconA with a null instance).
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDI_HAND MAKEINTRESOURCEA(32513)
#define IDI_QUESTION MAKEINTRESOURCEA(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEA(32515)
#define IDI_ASTERISK MAKEINTRESOURCEA(32516)
#define IDI_WINLOGO MAKEINTRESOURCEA(32517)
#define IDI_SHIELD MAKEINTRESOURCEA(32518)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

// LoadImageA.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_VGACOLOR 0x00000080
#define LR_LOADMAP3DCOLORS 0x00001000
#define LR_CREATEDIBSECTION 0x00002000
#define LR_SHARED 0x00008000

// The size of LoadIconA's icons and of LR_DEFAULTSIZE (SM_CXICON, SM_CYICON).
#define SYSTEM_ICON_SIZE 32

#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef ERROR_RESOURCE_LANG_NOT_FOUND
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L
#endif
#ifndef ERROR_INVALID_ICON_HANDLE
#define ERROR_INVALID_ICON_HANDLE 1414L
#endif

extern "C" {
// The resource of this type and name in the module (null: the executable), in the thread's UI
// language. Null on failure: ERROR_RESOURCE_DATA_NOT_FOUND (the module has no resources),
// ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_RESOURCE_LANG_NOT_FOUND
// (no language of the lookup order has it).
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
// As FindResourceA from the given language; LANG_NEUTRAL stands for the thread's UI language.
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
// The resource's data, read-only and valid while the module stays loaded.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Copies string `id` (UTF-8, cut at a character boundary to fit) with a terminating zero and
// returns its length; 0 when the string does not exist (or the buffer is missing).
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

// The module's icon resource at SYSTEM_ICON_SIZE, or a system icon (IDI_*) for a null instance.
// The icon is shared: it lives as long as the process and DestroyIcon leaves it.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
// IMAGE_ICON or IMAGE_BITMAP from the module's resources, from a file (LR_LOADFROMFILE; name is
// the path of an .ico, .bmp or .png file) or, with a null instance, a system icon. cx/cy choose
// the icon size (0: the first image's size, or SYSTEM_ICON_SIZE with LR_DEFAULTSIZE); a bitmap
// is scaled only when both are given. Free the result with DestroyIcon or DeleteObject unless
// LR_SHARED was given.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
BOOL DestroyIcon(HICON icon);
// Frees a bitmap from LoadImageA or CreateBitmapFromPixels.
BOOL DeleteObject(HGDIOBJ object);
}
