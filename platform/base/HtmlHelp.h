// HTML help ("hhctrl.ocx"). A compiled help file is stood in for by a folder of HTML pages
// beside where the file would be: for "X.chm" the folder "X", each topic one page in it,
// "<context id>.html" for a context and "index.html" for the contents; without such a folder
// the single page "X.html". The page is opened through ShellExecuteA (the desktop's opener, or
// PLATFORM_SHELL_OPEN).
#pragma once

#include "base/WinTypes.h"

#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_FINDER 0x0000
#define HH_DISPLAY_TOC 0x0001
#define HH_DISPLAY_INDEX 0x0002
#define HH_DISPLAY_SEARCH 0x0003
#define HH_HELP_CONTEXT 0x000F
#define HH_CLOSE_ALL 0x0012

extern "C" {
// HH_HELP_CONTEXT (data: the context id) opens X/<id>.html; HH_DISPLAY_TOC, HH_DISPLAY_INDEX,
// HH_DISPLAY_SEARCH and HH_DISPLAY_TOPIC without a topic open X/index.html; HH_DISPLAY_TOPIC
// with a topic (data: its path, or "X.chm::/path" in the file name) opens X/<path>. Where the
// folder X does not exist, X.html is opened instead. Returns the help window (a window of the
// calling thread that stands for the viewer), or null when there is no such page or it cannot
// be opened, and for HH_CLOSE_ALL and other commands.
HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
}
