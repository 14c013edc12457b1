// The wait cursor while a window works: shown for the life of a CWaitCursor (nested ones count
// once). A toolkit display installs the handler that shows it; without one nothing shows.
#pragma once

#include <functional>

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    // Called with true when the first wait begins and false when the last ends.
    static void SetHandler(std::function<void(bool wait)> handler);
    static bool IsWaiting();
};
