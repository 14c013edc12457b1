#include "base/Menu.h"

#include "base/AnswerQueue.h"
#include "base/LastError.h"
#include "base/ObjectTable.h"
#include "base/ResourceRegistry.h"
#include "base/Resources.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <cstring>
#include <functional>
#include <mutex>

namespace {

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR | MF_DEFAULT;

struct Item {
    UINT state = 0;
    UINT id = 0;
    std::string text;
    std::uintptr_t popup = 0;
};

struct MenuObject {
    std::vector<Item> items;
    bool owned = false; // a popup of another menu
};

// One lock for the items of every menu: menus are small and rarely touched from two threads.
std::recursive_mutex g_lock;

platform::ObjectTable<MenuObject>& Menus()
{
    static auto* table = new platform::ObjectTable<MenuObject>;
    return *table;
}

std::mutex g_trackerLock;
std::shared_ptr<platform::MenuTracker> g_tracker;

std::uintptr_t HandleOf(HMENU menu)
{
    return reinterpret_cast<std::uintptr_t>(menu);
}

std::shared_ptr<MenuObject> Get(HMENU menu)
{
    auto object = Menus().Get(HandleOf(menu));
    if (!object)
        SetLastError(ERROR_INVALID_MENU_HANDLE);
    return object;
}

class MenuReader {
public:
    MenuReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // Reads a count and its items into a new menu; 0 when the data is damaged.
    std::uintptr_t Read(bool owned, int depth)
    {
        std::uint16_t count = 0;
        if (depth > 32 || !U16(count))
            return 0;
        auto menu = std::make_shared<MenuObject>();
        menu->owned = owned;
        const std::uintptr_t handle = Menus().Add(menu);
        for (std::uint16_t i = 0; i < count; ++i) {
            Item item;
            std::uint16_t flags = 0, id = 0;
            if (!U16(flags) || !U16(id) || !Text(item.text)) {
                Destroy(handle);
                return 0;
            }
            item.state = flags & kStateBits;
            item.id = (flags & (MF_POPUP | MF_SEPARATOR)) ? 0 : id;
            if (flags & MF_POPUP) {
                item.popup = Read(true, depth + 1);
                if (!item.popup) {
                    Destroy(handle);
                    return 0;
                }
            }
            menu->items.push_back(std::move(item));
        }
        return handle;
    }

    static void Destroy(std::uintptr_t handle)
    {
        const auto menu = Menus().Remove(handle);
        if (!menu)
            return;
        for (const Item& item : menu->items)
            if (item.popup)
                Destroy(item.popup);
    }

private:
    bool U16(std::uint16_t& v)
    {
        if (m_size - m_pos < 2)
            return false;
        v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool Text(std::string& out)
    {
        const void* end = std::memchr(m_data + m_pos, 0, m_size - m_pos);
        if (!end)
            return false;
        out.assign(reinterpret_cast<const char*>(m_data + m_pos));
        m_pos += out.size() + 1;
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The item by position, or by command in the menu and its popups.
Item* FindItem(const std::shared_ptr<MenuObject>& menu, UINT item, UINT flags)
{
    if (flags & MF_BYPOSITION)
        return item < menu->items.size() ? &menu->items[item] : nullptr;
    for (Item& i : menu->items) {
        if (!i.popup && !(i.state & MF_SEPARATOR) && i.id == item)
            return &i;
        if (i.popup)
            if (auto sub = Menus().Get(i.popup))
                if (Item* found = FindItem(sub, item, flags))
                    return found;
    }
    return nullptr;
}

// Removes the item by position, or by command from the menu or one of its popups; the removed
// item's popup is returned to the caller to destroy. False when there is no such item.
bool EraseItem(const std::shared_ptr<MenuObject>& menu, UINT item, UINT flags, std::uintptr_t& popup)
{
    if (flags & MF_BYPOSITION) {
        if (item >= menu->items.size())
            return false;
        popup = menu->items[item].popup;
        menu->items.erase(menu->items.begin() + item);
        return true;
    }
    for (auto it = menu->items.begin(); it != menu->items.end(); ++it) {
        if (!it->popup && !(it->state & MF_SEPARATOR) && it->id == item) {
            popup = 0;
            menu->items.erase(it);
            return true;
        }
        if (it->popup)
            if (auto sub = Menus().Get(it->popup); sub && EraseItem(sub, item, flags, popup))
                return true;
    }
    return false;
}

// The item of a live menu; the caller holds g_lock, which keeps the menu alive.
Item* ItemOf(HMENU menu, UINT item, UINT flags)
{
    const auto object = Get(menu);
    return object ? FindItem(object, item, flags) : nullptr;
}

bool IsEnabledCommand(const std::shared_ptr<MenuObject>& menu, UINT id)
{
    Item* item = FindItem(menu, id, MF_BYCOMMAND);
    return item && !(item->state & (MF_GRAYED | MF_DISABLED));
}

std::string Describe(const std::shared_ptr<MenuObject>& menu)
{
    std::string text;
    for (const Item& item : menu->items) {
        if (item.state & MF_SEPARATOR)
            continue;
        if (!text.empty())
            text += " | ";
        text += item.text;
    }
    return text;
}

} // namespace

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name)
{
    DWORD error = 0;
    const auto* entry = platform::ResourceRegistry::Instance().Find(instance, RT_MENU, name, 0, &error);
    if (!entry) {
        SetLastError(error);
        return nullptr;
    }
    std::lock_guard guard(g_lock);
    MenuReader reader(entry->data, entry->size);
    const std::uintptr_t handle = reader.Read(false, 0);
    if (!handle) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return reinterpret_cast<HMENU>(handle);
}

BOOL DestroyMenu(HMENU menu)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object)
        return FALSE;
    if (object->owned) {
        // A popup lives as long as the menu that holds it.
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    MenuReader::Destroy(HandleOf(menu));
    return TRUE;
}

BOOL IsMenu(HMENU menu)
{
    return Menus().Get(HandleOf(menu)) != nullptr;
}

HMENU GetSubMenu(HMENU menu, int position)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object || position < 0 || static_cast<std::size_t>(position) >= object->items.size())
        return nullptr;
    return reinterpret_cast<HMENU>(object->items[static_cast<std::size_t>(position)].popup);
}

int GetMenuItemCount(HMENU menu)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    return object ? static_cast<int>(object->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object || position < 0 || static_cast<std::size_t>(position) >= object->items.size())
        return static_cast<UINT>(-1);
    const Item& item = object->items[static_cast<std::size_t>(position)];
    return item.popup ? static_cast<UINT>(-1) : item.id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    std::lock_guard guard(g_lock);
    Item* found = ItemOf(menu, item, flags);
    if (!found)
        return static_cast<UINT>(-1);
    if (found->popup) {
        const auto sub = Menus().Get(found->popup);
        return (static_cast<UINT>(sub ? sub->items.size() & 0xFF : 0) << 8) | found->state;
    }
    return found->state;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags)
{
    std::lock_guard guard(g_lock);
    Item* found = ItemOf(menu, item, flags);
    if (!found)
        return 0;
    if (!text)
        return static_cast<int>(found->text.size());
    if (maxCount <= 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(found->text.size(), static_cast<std::size_t>(maxCount) - 1);
    std::memcpy(text, found->text.data(), n);
    text[n] = '\0';
    return static_cast<int>(n);
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object)
        return FALSE;
    std::uintptr_t popup = 0;
    if (!EraseItem(object, item, flags, popup)) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    if (popup)
        MenuReader::Destroy(popup);
    return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    std::lock_guard guard(g_lock);
    Item* found = ItemOf(menu, item, check);
    if (!found)
        return static_cast<DWORD>(-1);
    const DWORD before = found->state & MF_CHECKED;
    found->state = (found->state & ~MF_CHECKED) | (check & MF_CHECKED);
    return before;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    std::lock_guard guard(g_lock);
    Item* found = ItemOf(menu, item, enable);
    if (!found)
        return -1;
    const BOOL before = static_cast<BOOL>(found->state & (MF_GRAYED | MF_DISABLED));
    found->state = (found->state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return before;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object)
        return FALSE;
    Item* chosen = nullptr;
    if (item != static_cast<UINT>(-1)) {
        if (byPosition) {
            if (item < object->items.size())
                chosen = &object->items[item];
        } else {
            for (Item& i : object->items)
                if (!i.popup && !(i.state & MF_SEPARATOR) && i.id == item)
                    chosen = &i;
        }
        if (!chosen || (chosen->state & MF_SEPARATOR)) {
            SetLastError(ERROR_NOT_FOUND);
            return FALSE;
        }
    }
    for (Item& i : object->items)
        i.state &= ~MF_DEFAULT;
    if (chosen)
        chosen->state |= MF_DEFAULT;
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags)
{
    std::lock_guard guard(g_lock);
    const auto object = Get(menu);
    if (!object)
        return static_cast<UINT>(-1);
    for (std::size_t pos = 0; pos < object->items.size(); ++pos) {
        const Item& i = object->items[pos];
        if (!(i.state & MF_DEFAULT))
            continue;
        if ((i.state & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED))
            return static_cast<UINT>(-1);
        if (i.popup && (flags & GMDI_GOINTOPOPUPS)) {
            const UINT inner = GetMenuDefaultItem(reinterpret_cast<HMENU>(i.popup), byPosition, flags);
            if (inner != static_cast<UINT>(-1))
                return inner;
        }
        return byPosition ? static_cast<UINT>(pos) : (i.popup ? static_cast<UINT>(-1) : i.id);
    }
    return static_cast<UINT>(-1);
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params)
{
    std::shared_ptr<MenuObject> object;
    std::string description;
    {
        std::lock_guard guard(g_lock);
        object = Get(menu);
        if (!object)
            return FALSE;
        description = Describe(object);
    }
    if (!IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    platform::PromptRecord record;
    record.kind = platform::PromptKind::Menu;
    record.text = description;
    record.type = flags;

    UINT chosen = 0;
    bool answered = false;
    if (auto answer = platform::TakeAnswer(platform::PromptKind::Menu, description)) {
        if (answer->kind == platform::AnswerKind::Button) {
            answered = true; // cancel: nothing chosen
        } else {
            std::lock_guard guard(g_lock);
            if (IsEnabledCommand(object, answer->menuId)) {
                chosen = answer->menuId;
                answered = true;
            }
        }
        if (!answered)
            platform::RecordAnswerError("answer '" + answer->Text() + "' is no enabled command of the menu \"" +
                                        description + "\"");
        record.queued = answered;
    }
    if (!answered) {
        std::shared_ptr<platform::MenuTracker> tracker;
        {
            std::lock_guard guard(g_trackerLock);
            tracker = g_tracker;
        }
        if (tracker)
            chosen = tracker->Track(menu, flags, x, y, owner, params ? &params->rcExclude : nullptr);
    }
    record.answer = static_cast<int>(chosen);
    platform::RecordPrompt(std::move(record));

    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen == 0)
        return FALSE;
    PostMessageA(owner, WM_COMMAND, static_cast<WPARAM>(chosen & 0xFFFF), 0);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT* rect)
{
    TPMPARAMS params{sizeof(TPMPARAMS), rect ? *rect : RECT{}};
    return TrackPopupMenuEx(menu, flags, x, y, owner, rect ? &params : nullptr);
}

namespace platform {

std::vector<MenuItemView> MenuItems(HMENU menu)
{
    std::lock_guard guard(g_lock);
    std::vector<MenuItemView> out;
    const auto object = Menus().Get(HandleOf(menu));
    if (!object)
        return out;
    for (const Item& item : object->items)
        out.push_back({item.id, item.text, item.state, reinterpret_cast<HMENU>(item.popup)});
    return out;
}

std::shared_ptr<MenuTracker> SetMenuTracker(std::shared_ptr<MenuTracker> tracker)
{
    std::lock_guard guard(g_trackerLock);
    auto previous = std::move(g_tracker);
    g_tracker = std::move(tracker);
    return previous;
}

} // namespace platform
