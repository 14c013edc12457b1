#include "base/DebugOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

// One lock guards the capture list, every capture's texts and the writes to the
// destinations, so that texts from several threads never interleave.
std::mutex& Lock()
{
    static std::mutex m;
    return m;
}

std::vector<DebugOutputCapture*>& Captures()
{
    static std::vector<DebugOutputCapture*> c;
    return c;
}

} // namespace

DebugOutputCapture::DebugOutputCapture()
{
    std::lock_guard lock(Lock());
    Captures().push_back(this);
}

DebugOutputCapture::~DebugOutputCapture()
{
    std::lock_guard lock(Lock());
    auto& c = Captures();
    c.erase(std::remove(c.begin(), c.end(), this), c.end());
}

std::vector<std::string> DebugOutputCapture::texts() const
{
    std::lock_guard lock(Lock());
    return m_texts;
}

std::string DebugOutputCapture::joined() const
{
    std::lock_guard lock(Lock());
    std::string all;
    for (const auto& t : m_texts)
        all += t;
    return all;
}

void DebugOutputCapture::clear()
{
    std::lock_guard lock(Lock());
    m_texts.clear();
}

void DebugOutputCapture::append(const char* text)
{
    m_texts.emplace_back(text);
}

} // namespace platform

void OutputDebugStringA(LPCSTR text)
{
    if (!text)
        return;
    std::lock_guard lock(platform::Lock());
    for (auto* capture : platform::Captures())
        capture->append(text);
    const char* target = std::getenv(platform::kDebugOutputVariable);
    if (!target || !*target)
        return;
    if (std::strcmp(target, "stderr") == 0) {
        std::fputs(text, stderr);
        std::fflush(stderr);
        return;
    }
    if (FILE* f = std::fopen(target, "a")) {
        std::fputs(text, f);
        std::fclose(f);
    }
}

BOOL IsDebuggerPresent()
{
    {
        std::lock_guard lock(platform::Lock());
        if (!platform::Captures().empty())
            return TRUE;
    }
    const char* target = std::getenv(platform::kDebugOutputVariable);
    return target && *target ? TRUE : FALSE;
}
