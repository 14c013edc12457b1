// List views. Their controls are a program's own here (display-free models a toolkit view
// shows), so this header holds only what such lists share with the platform's: the
// notifications a list sends its dialog in WM_NOTIFY, item states, column formats and extended
// styles, and the reflection of notifications back to the control that sent them.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

// Notification codes (WM_NOTIFY's NMHDR::code).
#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)

// Item states and what changed.
#ifndef LVIS_FOCUSED
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#endif
#define LVIS_STATEIMAGEMASK 0xF000
#define INDEXTOSTATEIMAGEMASK(i) (static_cast<UINT>(i) << 12)
#ifndef LVIF_TEXT
#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_STATE 0x0008
#endif
#define LVIF_PARAM 0x0004

// Column formats and widths.
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

// Extended styles.
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_SUBITEMIMAGES 0x00000002
#define LVS_EX_CHECKBOXES 0x00000004
#define LVS_EX_HEADERDRAGDROP 0x00000010
#define LVS_EX_FULLROWSELECT 0x00000020

// LVN_ITEMCHANGING, LVN_ITEMCHANGED, LVN_DELETEITEM.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
using LPNMLISTVIEW = NMLISTVIEW*;

// A dialog reflects its controls' notifications back to them with these messages.
#define OCM__BASE (WM_USER + 0x1C00)
#define OCM_COMMAND (OCM__BASE + WM_COMMAND)
#define OCM_NOTIFY (OCM__BASE + WM_NOTIFY)
