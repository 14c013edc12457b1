// A table of keys and the commands they send (the frame's accelerators), read from a typed
// resource "ACCELERATORS" of the program: one key a line ("Ctrl+S 32777", "F2 32773",
// "Del 32774"), '#' starting a comment.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

struct CAccelerator {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    // The key: a letter or digit ("C"), a function key ("F2") or a named key ("Del", "Ins",
    // "Home", "End", "PgUp", "PgDn", "Esc", "Enter", "Tab", "Space", "Back").
    std::string key;
    UINT command = 0;
};

class CAcceleratorTable {
public:
    // The table of that id (empty when the program has none or a line cannot be read).
    static CAcceleratorTable Load(UINT id);
    // The keys of a table's text; false (and nothing kept) for a line that is no key.
    bool Parse(const std::string& text);

    const std::vector<CAccelerator>& Entries() const { return m_entries; }
    // The command of a key, 0 for none.
    UINT Find(const std::string& key, bool ctrl, bool shift, bool alt) const;
    // "Ctrl+S": how the key is written.
    static std::string KeyText(const CAccelerator& accelerator);

private:
    std::vector<CAccelerator> m_entries;
};
