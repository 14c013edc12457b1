#include "base/DialogItems.h"

#include "base/LastError.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// An edit's limit when nothing set one, and the largest (EM_LIMITTEXT with 0).
constexpr std::size_t kDefaultLimit = 30000;
constexpr std::size_t kLargestLimit = 0x7FFFFFFE;

enum class Kind { Button, Edit, Static };

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

} // namespace

HWND CreateDialogItem(HWND dialog, const std::string& className, int id, const std::string& text, DWORD style)
{
    auto item = std::make_shared<Item>();
    const std::string lower = ToLowerAscii(className);
    if (lower == "button")
        item->kind = Kind::Button;
    else if (lower == "edit")
        item->kind = Kind::Edit;
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
        default:
            if (message == WM_SETTEXT) {
                Changed(*item);
                return TRUE;
            }
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    };
    const HWND hwnd = CreateMessageWindow(className, text, std::move(procedure), dialog, nullptr, item->style);
    if (!hwnd)
        return nullptr;
    {
        auto& table = Items();
        std::lock_guard lock(table.lock);
        table.items[hwnd] = item;
    }
    return hwnd;
}

bool TypeDialogItemText(HWND hwnd, const std::string& text)
{
    const auto item = FindItem(hwnd);
    if (!item || !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (item->kind != Kind::Edit)
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
