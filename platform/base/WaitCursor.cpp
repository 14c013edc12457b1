#include "base/WaitCursor.h"

namespace {

std::function<void(bool)>& Handler()
{
    static std::function<void(bool)> handler;
    return handler;
}

int g_depth = 0;

} // namespace

CWaitCursor::CWaitCursor()
{
    if (g_depth++ == 0 && Handler())
        Handler()(true);
}

CWaitCursor::~CWaitCursor()
{
    if (--g_depth == 0 && Handler())
        Handler()(false);
}

void CWaitCursor::SetHandler(std::function<void(bool wait)> handler) { Handler() = std::move(handler); }

bool CWaitCursor::IsWaiting() { return g_depth > 0; }
