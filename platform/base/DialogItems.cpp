#include "base/DialogItems.h"

#include "base/LastError.h"
#include "base/Locale.h"
#include "base/Resources.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// An edit's limit when nothing set one, and the largest (EM_LIMITTEXT with 0).
constexpr std::size_t kDefaultLimit = 30000;
constexpr std::size_t kLargestLimit = 0x7FFFFFFE;

enum class Kind { Button, Edit, Combo, Static, Custom };

struct Item {
    HWND dialog = nullptr;
    int id = 0;
    Kind kind = Kind::Static;
    DWORD style = 0;
    UINT check = BST_UNCHECKED;
    bool modified = false;
    std::size_t limit = kDefaultLimit;
    bool typing = false; // the text being set comes from the user
    std::function<void()> watcher;
    // A combo box's list and its current entry (-1: none).
    std::vector<std::string> entries;
    int current = -1;
    // A static picture: the icon or bitmap shown and its IMAGE_ type.
    HANDLE image = nullptr;
    WPARAM imageType = 0;
    // A program's own control.
    WindowProcedure custom;
};

// Items by handle; the window procedure holds its own item too.
struct ItemTable {
    std::mutex lock;
    std::map<HWND, std::shared_ptr<Item>> items;
};

ItemTable& Items()
{
    static auto* table = new ItemTable;
    return *table;
}

std::shared_ptr<Item> FindItem(HWND hwnd)
{
    auto& table = Items();
    std::lock_guard lock(table.lock);
    const auto it = table.items.find(hwnd);
    return it == table.items.end() ? nullptr : it->second;
}

void Notify(const Item& item, HWND hwnd, WORD code)
{
    SendMessageA(item.dialog, WM_COMMAND, MAKEWPARAM(item.id, code), reinterpret_cast<LPARAM>(hwnd));
}

void Changed(const Item& item)
{
    if (item.watcher)
        item.watcher();
}

UINT ButtonType(const Item& item)
{
    return item.style & BS_TYPEMASK;
}

bool IsRadio(const Item& item)
{
    return item.kind == Kind::Button && (ButtonType(item) == BS_RADIOBUTTON || ButtonType(item) == BS_AUTORADIOBUTTON);
}

// Unchecks the other radio buttons of the item's group: the siblings from the nearest control
// with WS_GROUP at or before it up to the next one with WS_GROUP.
void ClearGroup(HWND hwnd)
{
    const auto self = FindItem(hwnd);
    const std::vector<HWND> siblings = ChildWindows(self->dialog);
    std::size_t at = 0;
    while (at < siblings.size() && siblings[at] != hwnd)
        ++at;
    std::size_t first = at;
    while (first > 0) {
        const auto item = FindItem(siblings[first]);
        if (item && (item->style & WS_GROUP))
            break;
        --first;
    }
    for (std::size_t i = first; i < siblings.size(); ++i) {
        const auto item = FindItem(siblings[i]);
        if (i > at && item && (item->style & WS_GROUP))
            break;
        if (siblings[i] != hwnd && item && IsRadio(*item) && item->check != BST_UNCHECKED) {
            item->check = BST_UNCHECKED;
            Changed(*item);
        }
    }
}

LRESULT ButtonProcedure(const std::shared_ptr<Item>& item, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BM_GETCHECK: return item->check;
    case BM_SETCHECK:
        item->check = static_cast<UINT>(wParam) & 3;
        Changed(*item);
        return 0;
    case WM_SETTEXT: Changed(*item); return TRUE;
    case BM_CLICK:
        if (!IsWindowEnabled(hwnd))
            return 0;
        // The state changes before the dialog hears of the click.
        switch (ButtonType(*item)) {
        case BS_AUTOCHECKBOX: item->check = item->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
        case BS_AUTO3STATE: item->check = (item->check + 1) % 3; break;
        case BS_AUTORADIOBUTTON:
            item->check = BST_CHECKED;
            ClearGroup(hwnd);
            break;
        default: break;
        }
        Changed(*item);
        Notify(*item, hwnd, BN_CLICKED);
        return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT EditProcedure(const std::shared_ptr<Item>& item, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        // The program's text clears the modified mark; typing sets it.
        item->modified = item->typing;
        Changed(*item);
        Notify(*item, hwnd, EN_CHANGE);
        return TRUE;
    case EM_GETMODIFY: return item->modified ? TRUE : FALSE;
    case EM_SETMODIFY: item->modified = wParam != 0; return 0;
    case EM_LIMITTEXT: item->limit = wParam == 0 ? kLargestLimit : static_cast<std::size_t>(wParam); return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(item->limit);
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}


// Copies an entry's text with its terminating zero into the buffer at lParam (the caller sized it
// from CB_GETLBTEXTLEN); the length, or CB_ERR for no entry.
LRESULT CopyEntry(const Item& item, WPARAM index, LPARAM buffer)
{
    if (index >= item.entries.size() || !buffer)
        return CB_ERR;
    const std::string& text = item.entries[index];
    std::memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
    return static_cast<LRESULT>(text.size());
}

// The first entry of exactly this text (letter case aside, as the list compares), or -1.
int FindEntry(const Item& item, const std::string& text)
{
    for (std::size_t i = 0; i < item.entries.size(); ++i)
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.entries[i].c_str(), -1, text.c_str(), -1) ==
            CSTR_EQUAL)
            return static_cast<int>(i);
    return -1;
}

LRESULT ComboProcedure(const std::shared_ptr<Item>& item, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        item->modified = item->typing;
        if (item->typing) {
            // What the user types chooses the entry of that text, if there is one.
            item->current = FindEntry(*item, reinterpret_cast<LPCSTR>(lParam));
            Changed(*item);
            Notify(*item, hwnd, CBN_EDITUPDATE);
            Notify(*item, hwnd, CBN_EDITCHANGE);
        } else {
            Changed(*item);
        }
        return TRUE;
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        const std::string text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        std::size_t at = item->entries.size();
        if (message == CB_INSERTSTRING) {
            const auto index = static_cast<INT_PTR>(wParam);
            if (index > static_cast<INT_PTR>(item->entries.size()))
                return CB_ERR;
            if (index >= 0)
                at = static_cast<std::size_t>(index);
        } else if (item->style & CBS_SORT) {
            at = 0;
            while (at < item->entries.size() &&
                   CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item->entries[at].c_str(), -1, text.c_str(),
                                  -1) != CSTR_GREATER_THAN)
                ++at;
        }
        item->entries.insert(item->entries.begin() + static_cast<std::ptrdiff_t>(at), text);
        if (item->current >= static_cast<int>(at))
            ++item->current;
        Changed(*item);
        return static_cast<LRESULT>(at);
    }
    case CB_DELETESTRING: {
        if (wParam >= item->entries.size())
            return CB_ERR;
        item->entries.erase(item->entries.begin() + static_cast<std::ptrdiff_t>(wParam));
        if (item->current == static_cast<int>(wParam))
            item->current = -1;
        else if (item->current > static_cast<int>(wParam))
            --item->current;
        Changed(*item);
        return static_cast<LRESULT>(item->entries.size());
    }
    case CB_RESETCONTENT:
        // The list goes, and the edit text with it.
        item->entries.clear();
        item->current = -1;
        SetWindowTextA(hwnd, "");
        return TRUE;
    case CB_GETCOUNT: return static_cast<LRESULT>(item->entries.size());
    case CB_GETCURSEL: return item->current;
    case CB_SETCURSEL: {
        const auto index = static_cast<INT_PTR>(wParam);
        if (index < 0 || index >= static_cast<INT_PTR>(item->entries.size())) {
            item->current = -1;
            SetWindowTextA(hwnd, "");
            return CB_ERR;
        }
        item->current = static_cast<int>(index);
        SetWindowTextA(hwnd, item->entries[static_cast<std::size_t>(index)].c_str());
        return index;
    }
    case CB_GETLBTEXT: return CopyEntry(*item, wParam, lParam);
    case CB_GETLBTEXTLEN:
        return wParam < item->entries.size() ? static_cast<LRESULT>(item->entries[wParam].size()) : CB_ERR;
    case CB_FINDSTRINGEXACT: return FindEntry(*item, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
    case CB_LIMITTEXT: item->limit = wParam == 0 ? kLargestLimit : static_cast<std::size_t>(wParam); return TRUE;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT StaticProcedure(const std::shared_ptr<Item>& item, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT: Changed(*item); return TRUE;
    case STM_SETICON:
    case STM_SETIMAGE: {
        // The previous picture is handed back; the caller frees it.
        const HANDLE previous = item->image;
        item->image = reinterpret_cast<HANDLE>(message == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
        item->imageType = message == STM_SETICON ? IMAGE_ICON : wParam;
        Changed(*item);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON: return item->imageType == IMAGE_ICON ? reinterpret_cast<LRESULT>(item->image) : 0;
    case STM_GETIMAGE: return item->imageType == wParam ? reinterpret_cast<LRESULT>(item->image) : 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

HWND MakeItem(const std::shared_ptr<Item>& item, const std::string& className, const std::string& text,
              WindowProcedure procedure)
{
    const HWND hwnd = CreateMessageWindow(className, text, std::move(procedure), item->dialog, nullptr, item->style);
    if (!hwnd)
        return nullptr;
    auto& table = Items();
    std::lock_guard lock(table.lock);
    table.items[hwnd] = item;
    return hwnd;
}

} // namespace

HWND CreateDialogItem(HWND dialog, const std::string& className, int id, const std::string& text, DWORD style)
{
    auto item = std::make_shared<Item>();
    const std::string lower = ToLowerAscii(className);
    if (lower == "button")
        item->kind = Kind::Button;
    else if (lower == "edit")
        item->kind = Kind::Edit;
    else if (lower == "combobox")
        item->kind = Kind::Combo;
    else if (lower == "static")
        item->kind = Kind::Static;
    else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!dialog || !IsWindow(dialog)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    item->dialog = dialog;
    item->id = id;
    item->style = style | WS_CHILD;
    WindowProcedure procedure = [item](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_NCDESTROY) {
            auto& table = Items();
            std::lock_guard lock(table.lock);
            table.items.erase(hwnd);
            return 0;
        }
        switch (item->kind) {
        case Kind::Button: return ButtonProcedure(item, hwnd, message, wParam, lParam);
        case Kind::Edit: return EditProcedure(item, hwnd, message, wParam, lParam);
        case Kind::Combo: return ComboProcedure(item, hwnd, message, wParam, lParam);
        default: return StaticProcedure(item, hwnd, message, wParam, lParam);
        }
    };
    return MakeItem(item, className, text, std::move(procedure));
}

HWND CreateCustomDialogItem(HWND dialog, const std::string& className, int id, DWORD style,
                            std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> procedure)
{
    if (!dialog || !IsWindow(dialog)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto item = std::make_shared<Item>();
    item->kind = Kind::Custom;
    item->dialog = dialog;
    item->id = id;
    item->style = style | WS_CHILD;
    item->custom = std::move(procedure);
    WindowProcedure wrapper = [item](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        const LRESULT result = item->custom ? item->custom(hwnd, message, wParam, lParam)
                                            : DefWindowProcA(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            auto& table = Items();
            std::lock_guard lock(table.lock);
            table.items.erase(hwnd);
        }
        return result;
    };
    return MakeItem(item, className, "", std::move(wrapper));
}

bool SelectComboItem(HWND hwnd, int index)
{
    const auto item = FindItem(hwnd);
    if (!item || item->kind != Kind::Combo || !IsWindow(hwnd) || index < 0 ||
        index >= static_cast<int>(item->entries.size()))
        return false;
    SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(*item, hwnd, CBN_SELCHANGE);
    return true;
}

std::vector<std::string> ComboItems(HWND hwnd)
{
    const auto item = FindItem(hwnd);
    return item && item->kind == Kind::Combo ? item->entries : std::vector<std::string>{};
}

bool TypeDialogItemText(HWND hwnd, const std::string& text)
{
    const auto item = FindItem(hwnd);
    if (!item || !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (item->kind != Kind::Edit && item->kind != Kind::Combo)
        return SetWindowTextA(hwnd, text.c_str()) != FALSE;
    // The limit counts characters; the text is UTF-8.
    const std::u16string wide = Utf8ToUtf16(text);
    const std::string cut = wide.size() > item->limit ? Utf16ToUtf8(wide.substr(0, item->limit)) : text;
    item->typing = true;
    SetWindowTextA(hwnd, cut.c_str());
    item->typing = false;
    return true;
}

void WatchDialogItem(HWND hwnd, std::function<void()> changed)
{
    if (const auto item = FindItem(hwnd))
        item->watcher = std::move(changed);
}

} // namespace platform

HWND GetDlgItem(HWND dialog, int id)
{
    if (!IsWindow(dialog)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : platform::ChildWindows(dialog))
        if (GetDlgCtrlID(child) == id)
            return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    const auto item = platform::FindItem(hwnd);
    return item && IsWindow(hwnd) ? item->id : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    const HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextA(item, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount)
{
    const HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (text && maxCount > 0)
            text[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(item, text, maxCount));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND item = GetDlgItem(dialog, id);
    if (!item)
        return FALSE;
    SendMessageA(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    const HWND item = GetDlgItem(dialog, id);
    return item ? static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageA(item, message, wParam, lParam) : 0;
}
