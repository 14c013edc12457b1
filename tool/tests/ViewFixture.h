// The main view without a display over scripted profiles: the application with its settings in
// the test's own root, a document whose profiles are the fakes, a stand-in frame window that
// counts the WM_CLOSE it gets, and the view's platform window on this thread's message loop.
#pragma once

#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"
#include "OrvViewSite.h"
#include "SyncStatusSink.h"
#include "resource.h"

#include "FakeEngine.h"
#include "ViewHarness.h"
#include "TempRoot.h"
#include "ToolTestSupport.h"

#include "base/AnswerQueue.h"
#include "base/MessageLoop.h"
#include "base/Window.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace tooltest {

using namespace fakeengine;

inline ComPtr<IStore> Store(const std::string& name, const std::string& key)
{
    return ComPtr<IStore>(fakeengine::Make<FakeStore>(name, key).get());
}

// A profile whose two stores are there, with keys of their own unless given.
inline FakeProfileSetup Profile(const std::string& name, std::string local = "", std::string global = "")
{
    FakeProfileSetup setup;
    setup.name = name;
    setup.destination = Store("Local " + name, local.empty() ? "d-" + name : local);
    setup.source = Store("Global " + name, global.empty() ? "s-" + name : global);
    return setup;
}

class ViewFixture : public ::testing::Test {
protected:
    void TearDown() override { harness.Destroy(); }

    // The view over these profiles; OnInitialUpdate is the test's to call.
    void MakeView(std::vector<FakeProfileSetup> setups)
    {
        profiles = fakeengine::Make<FakeProfiles>(log, std::move(setups));
        // No engine in this root: the document says so once; its profiles are the fakes.
        harness.Make([this](COrvDoc& document) {
            document.m_pProfiles = profiles.get();
            platform::ClearAnswers();
        });
        ASSERT_TRUE(harness.view);
    }
    // Another view over the same document, as the next start of the program makes it.
    void NewView() { ASSERT_TRUE(harness.NewView()); }

    void Pump() { platform::MessageLoop::Current().RunPending(); }
    // Runs the loop until the active run has ended.
    void WaitForRun()
    {
        platform::MessageLoop::Current().RunUntil([this] { return !view->IsRunning(); });
    }
    int Row(const std::string& name) const { return view->m_wndProfiles.FindItem(name); }
    void Check(const std::string& name) { ASSERT_TRUE(view->m_wndProfiles.SetCheck(Row(name), true)) << name; }

    std::vector<std::string> Marks() const
    {
        std::vector<std::string> marks;
        for (int i = 0; i < view->m_wndProfiles.GetItemCount(); ++i)
            marks.push_back(view->m_wndProfiles.GetRow(i).mark);
        return marks;
    }

    // The CheckedProfiles value as written (type and bytes), or nothing.
    static bool ReadValue(const char* name, DWORD& type, std::string& data)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        char buffer[4096];
        DWORD cb = sizeof(buffer);
        const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return false;
        data.assign(buffer, cb);
        return true;
    }
    static void WriteValue(const char* name, DWORD type, const std::string& data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
        RegCloseKey(key);
    }

    TempRoot root;
    ConsoleBoxes boxes;
    CallLog log;
    ComPtr<FakeProfiles> profiles;
    CViewHarness harness;
    std::unique_ptr<COrvApp>& app = harness.app;
    std::unique_ptr<COrvDoc>& doc = harness.doc;
    std::unique_ptr<COrvView>& view = harness.view;
    HWND& frame = harness.frame;
    int& closes = harness.closes;
};

// Holds a profile's run inside Synchronize until the test lets it go; the loop hears when it
// has got there.
class RunGate {
public:
    std::function<HRESULT(IStatus*)> Run(HRESULT result = S_OK)
    {
        return [this, result](IStatus* sink) {
            BSTR text = SysAllocString(u"Initializing..");
            m_entered = true;
            sink->Information(text); // wakes the window thread's loop
            SysFreeString(text);
            m_open.get_future().wait();
            return result;
        };
    }
    bool Entered() const { return m_entered; }
    void Open() { m_open.set_value(); }

private:
    std::atomic<bool> m_entered{false};
    std::promise<void> m_open;
};

} // namespace tooltest
