// Colours as the program's windows keep them: COLORREF values, 0x00BBGGRR.
#pragma once

#include "base/WinTypes.h"

using COLORREF = DWORD;

inline constexpr COLORREF kColourBlack = 0x000000;
inline constexpr COLORREF kColourRed = 0x0000FF;
inline constexpr COLORREF kColourWhite = 0xFFFFFF;
// The main view's background.
inline constexpr COLORREF kColourViewBackground = 0xF5F5F5;
// The progress bar's two colours, swapped for a folder's second pass.
inline constexpr COLORREF kColourNavy = 0x800000;
inline constexpr COLORREF kColourSilver = 0xC0C0C0;

inline constexpr int ColourRed(COLORREF c) { return static_cast<int>(c & 0xFF); }
inline constexpr int ColourGreen(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int ColourBlue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
