// CClipboardSnapshot: copies of everything on the clipboard, so that a step that needs the
// clipboard for itself can put the user's contents back afterwards. Global blocks are copied,
// bitmaps (CF_BITMAP) copied at their own depth; the formats come back in their order.
#pragma once

#include "base/WinTypes.h"

#include <vector>

class CClipboardSnapshot {
public:
    CClipboardSnapshot() = default;
    ~CClipboardSnapshot();
    CClipboardSnapshot(const CClipboardSnapshot&) = delete;
    CClipboardSnapshot& operator=(const CClipboardSnapshot&) = delete;

    // Copies the clipboard's data; a failure (the clipboard held by another thread, no memory)
    // leaves nothing taken.
    HRESULT Take();
    // Empties the clipboard and puts the copies back; the copies then belong to the clipboard.
    HRESULT Restore();
    std::size_t Count() const { return m_items.size(); }

private:
    struct Item {
        UINT format;
        HANDLE data;
    };
    void Free();

    std::vector<Item> m_items;
};
