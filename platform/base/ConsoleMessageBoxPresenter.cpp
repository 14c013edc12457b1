#include "base/ConsoleMessageBoxPresenter.h"

#include <cstdio>

namespace platform {

int ConsoleMessageBoxPresenter::Show(HWND, const std::string& text, const std::string& caption, UINT type)
{
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return MessageBoxDefaultButton(type);
}

} // namespace platform
