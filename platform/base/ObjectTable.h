// Handles of user objects (icons, bitmaps, menus): each table maps its handles to shared
// objects, so that a stale or foreign handle is recognised instead of followed. Handle values
// come from one counter for all tables, so no two objects ever share one.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform {

std::uintptr_t NextObjectHandle();

template <typename T>
class ObjectTable {
public:
    std::uintptr_t Add(std::shared_ptr<T> object)
    {
        const std::uintptr_t handle = NextObjectHandle();
        std::lock_guard guard(m_lock);
        m_objects.emplace(handle, std::move(object));
        return handle;
    }

    std::shared_ptr<T> Get(std::uintptr_t handle) const
    {
        std::lock_guard guard(m_lock);
        const auto it = m_objects.find(handle);
        return it == m_objects.end() ? nullptr : it->second;
    }

    std::shared_ptr<T> Remove(std::uintptr_t handle)
    {
        std::lock_guard guard(m_lock);
        const auto it = m_objects.find(handle);
        if (it == m_objects.end())
            return nullptr;
        auto object = std::move(it->second);
        m_objects.erase(it);
        return object;
    }

private:
    mutable std::mutex m_lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<T>> m_objects;
};

} // namespace platform
