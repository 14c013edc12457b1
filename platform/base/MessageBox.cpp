#include "base/MessageBox.h"

#include <array>
#include <cstdio>

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    std::fprintf(stderr, "%s\n%s\n", caption ? caption : "Error", text ? text : "");
    std::fflush(stderr);

    // The buttons of each box type, left to right.
    static constexpr std::array<std::array<int, 3>, 7> buttons{{
        {IDOK, 0, 0},
        {IDOK, IDCANCEL, 0},
        {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO, 0},
        {IDRETRY, IDCANCEL, 0},
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
    }};
    const UINT kind = type & MB_TYPEMASK;
    const auto& row = kind < buttons.size() ? buttons[kind] : buttons[0];
    const UINT index = (type & MB_DEFMASK) >> 8;
    // A default button beyond the box's buttons falls back to the first, as on the platform.
    return index < row.size() && row[index] != 0 ? row[index] : row[0];
}
