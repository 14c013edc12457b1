#include "ToolStrings.h"

#include "base/Module.h"
#include "base/Resources.h"

#include <cstdio>
#include <vector>

namespace {

// The program's own module: the string table is compiled into it.
HINSTANCE ToolModule() { return GetModuleHandleA(nullptr); }

template <class... Args>
std::string Format(const std::string& format, Args... args)
{
    const int size = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (size < 0)
        return format;
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), args...);
    return std::string(buffer.data(), static_cast<std::size_t>(size));
}

} // namespace

std::string LoadResString(UINT id)
{
    std::vector<char> buffer(4096);
    const int copied = LoadStringA(ToolModule(), id, buffer.data(), static_cast<int>(buffer.size()));
    return copied > 0 ? std::string(buffer.data(), static_cast<std::size_t>(copied)) : std::string();
}

std::string FormatResString(UINT id, const std::string& text) { return Format(LoadResString(id), text.c_str()); }

std::string FormatResString(UINT id, unsigned long number) { return Format(LoadResString(id), number); }

std::string FormatResString(UINT id, const std::string& first, const std::string& second)
{
    return Format(LoadResString(id), first.c_str(), second.c_str());
}
