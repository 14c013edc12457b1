#include "mapi/FormDisplay.h"

#include "mapi/MapiCodes.h"

#include <mutex>
#include <utility>

namespace mapi {

namespace {

// No window: shown means only that the verb open came.
class HeadlessFormDisplay : public FormDisplay {
public:
    HRESULT Open(HWND, const RECT*, bool) override
    {
        m_shown = true;
        return S_OK;
    }
    void Refresh() override {}
    void Close() override { m_shown = false; }
    HWND Window() const override { return nullptr; }
    bool Shown() const override { return m_shown; }

private:
    bool m_shown = false;
};

class HeadlessFormDisplayFactory : public FormDisplayFactory {
public:
    std::unique_ptr<FormDisplay> Create(BuiltInForm&) override { return std::make_unique<HeadlessFormDisplay>(); }
};

std::mutex g_mutex;
std::shared_ptr<FormDisplayFactory>& Installed()
{
    static std::shared_ptr<FormDisplayFactory> factory = std::make_shared<HeadlessFormDisplayFactory>();
    return factory;
}

} // namespace

std::shared_ptr<FormDisplayFactory> SetFormDisplayFactory(std::shared_ptr<FormDisplayFactory> factory)
{
    if (!factory)
        factory = std::make_shared<HeadlessFormDisplayFactory>();
    std::lock_guard lock(g_mutex);
    return std::exchange(Installed(), std::move(factory));
}

std::shared_ptr<FormDisplayFactory> CurrentFormDisplayFactory()
{
    std::lock_guard lock(g_mutex);
    return Installed();
}

} // namespace mapi
