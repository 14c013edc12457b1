// The host add-in: tests play the host, with an Application object that offers the
// ApplicationEvents connection point, and start and stop commands that write a file.
#include "EngineTestSupport.h"

#include "com/ComObject.h"
#include "com/ConnectionPointContainerImpl.h"
#include "host/ApplicationEvents.h"
#include "host/Extensibility.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

using namespace enginetest;

namespace {

class CTestApplication : public ComObject<CTestApplication, IDispatch, ConnectionPointContainerImpl> {
public:
    CTestApplication() { m_events = &AddConnectionPoint(DIID_ApplicationEvents); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    ConnectionPoint& Events() { return *m_events; }

private:
    ConnectionPoint* m_events = nullptr;
};

// An application without connection points.
class CPlainApplication : public ComObject<CPlainApplication, IDispatch> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

class EngineAddIn : public RegisteredEngine {
protected:
    void SetUp() override
    {
        RegisteredEngine::SetUp();
        log = root.path() / "commands.log";
    }

    std::string Command(const std::string& word) const
    {
        return "/bin/sh -c \"echo " + word + " >> " + log.string() + "\"";
    }

    static void SetCommand(const char* name, DWORD type, const std::string& bytes)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }

    // The lines written by the commands once `expected` of them are there (or after a while),
    // and a moment longer, so that a line too many would show. Sorted: each command runs as a
    // process of its own, so a later one may write first.
    std::vector<std::string> Logged(std::size_t expected) const
    {
        auto read = [&] {
            std::vector<std::string> lines;
            std::ifstream in(log);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            return lines;
        };
        for (int i = 0; i < 400 && read().size() < expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::vector<std::string> lines = read();
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    static ComPtr<IDTExtensibility2> CreateAddIn()
    {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(u"Tembrix.ComAddIn", &clsid), S_OK);
        ComPtr<IDTExtensibility2> addin;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2, addin.put_void()),
                  S_OK);
        return addin;
    }

    std::filesystem::path log;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(EngineAddIn, QuitThenDisconnectionRunsTheStopCommandOnce)
{
    SetCommand("StartCmd", REG_SZ, Command("start") + '\0');
    SetCommand("StopCmd", REG_SZ, Command("stop") + '\0');
    CTestApplication* app = nullptr;
    ASSERT_EQ(CTestApplication::CreateObject(&app), S_OK);
    ComPtr<IDispatch> application;
    application.Attach(app);
    {
        ComPtr<IDTExtensibility2> addin = CreateAddIn();
        ASSERT_TRUE(addin);
        ComPtr<IComAddIn> own;
        EXPECT_EQ(addin.As(own), S_OK);
        EXPECT_EQ(addin->OnConnection(application.get(), ext_cm_Startup, nullptr, nullptr), S_OK);
        EXPECT_EQ(Logged(1), Lines{"start"});
        EXPECT_EQ(app->Events().ConnectionCount(), 1u);
        EXPECT_EQ(addin->OnStartupComplete(nullptr), S_OK);
        EXPECT_EQ(addin->OnAddInsUpdate(nullptr), S_OK);

        // The sink answers only Quit, and only with parameters.
        app->Events().ForEachSink([](IUnknown* sink) {
            ComPtr<IDispatch> d;
            ASSERT_EQ(sink->QueryInterface(IID_IDispatch, d.put_void()), S_OK);
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            EXPECT_EQ(d->Invoke(DISPID_ApplicationEvents_NewMail, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                nullptr, nullptr),
                      DISP_E_MEMBERNOTFOUND);
            EXPECT_EQ(d->Invoke(DISPID_ApplicationEvents_Quit, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                nullptr, nullptr),
                      DISP_E_PARAMNOTFOUND);
            UINT count = 1;
            EXPECT_EQ(d->GetTypeInfoCount(&count), E_NOTIMPL);
        });

        app->Events().Fire(DISPID_ApplicationEvents_Quit);
        EXPECT_EQ(Logged(2), (Lines{"start", "stop"}));
        EXPECT_EQ(app->Events().ConnectionCount(), 0u);
        EXPECT_EQ(addin->OnBeginShutdown(nullptr), S_OK);
        EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
        EXPECT_EQ(Logged(2), (Lines{"start", "stop"}));
    }
    EXPECT_EQ(app->RefCount(), 1u) << "the add-in let go of the application";
}

TEST_F(EngineAddIn, DisconnectionWithoutQuitRunsTheStopCommandOnce)
{
    SetCommand("StartCmd", REG_SZ, Command("start") + '\0');
    SetCommand("StopCmd", REG_EXPAND_SZ, "/bin/sh -c \"echo %ENGINE_TEST_WORD% >> " + log.string() + "\"" + '\0');
    setenv("ENGINE_TEST_WORD", "expanded", 1);
    CTestApplication* app = nullptr;
    ASSERT_EQ(CTestApplication::CreateObject(&app), S_OK);
    ComPtr<IDispatch> application;
    application.Attach(app);
    ComPtr<IDTExtensibility2> addin = CreateAddIn();
    ASSERT_EQ(addin->OnConnection(application.get(), ext_cm_AfterStartup, nullptr, nullptr), S_OK);
    ASSERT_EQ(addin->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(app->Events().ConnectionCount(), 0u);
    app->Events().Fire(DISPID_ApplicationEvents_Quit); // nobody listens any more
    EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_EQ(Logged(2), (Lines{"expanded", "start"}));
    unsetenv("ENGINE_TEST_WORD");
}

TEST_F(EngineAddIn, WithoutCommandsConnectingOnlyAdvisesAndCreatesNoKey)
{
    CTestApplication* app = nullptr;
    ASSERT_EQ(CTestApplication::CreateObject(&app), S_OK);
    ComPtr<IDispatch> application;
    application.Attach(app);
    ComPtr<IDTExtensibility2> addin = CreateAddIn();
    ASSERT_EQ(addin->OnConnection(application.get(), ext_cm_Startup, nullptr, nullptr), S_OK);
    EXPECT_EQ(app->Events().ConnectionCount(), 1u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Tembrix"));
    ASSERT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Tembrix"));
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST_F(EngineAddIn, OnlyTextValuesRunAndNeverPastTheirEnd)
{
    // A number is no command line.
    SetCommand("StartCmd", REG_DWORD, std::string("\x2f\x00\x00\x00", 4));
    // Text without a terminator runs as stored, nothing more.
    SetCommand("StopCmd", REG_SZ, Command("stop"));
    ComPtr<IDispatch> application;
    CPlainApplication* plain = nullptr;
    ASSERT_EQ(CPlainApplication::CreateObject(&plain), S_OK);
    application.Attach(plain);
    ComPtr<IDTExtensibility2> addin = CreateAddIn();
    // An application without the event source: the add-in still works, it sees no Quit.
    ASSERT_EQ(addin->OnConnection(application.get(), ext_cm_Startup, nullptr, nullptr), S_OK);
    ASSERT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_EQ(Logged(1), Lines{"stop"});
    EXPECT_EQ(plain->RefCount(), 1u);
}
