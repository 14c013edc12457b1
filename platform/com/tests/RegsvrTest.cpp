// The register-server tool and creation in another process, all as child processes that
// share the test's platform root.
#include "RunChild.h"
#include "TempRoot.h"
#include "TestInterfaces.h"
#include "com/GuidString.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class Regsvr : public ::testing::Test {
protected:
    TempRoot root;
};

TEST_F(Regsvr, RegistersThenOtherProcessesCreateByProgIdAndClsid)
{
    const ChildResult reg = RunChild({REGSVR_PROGRAM, COM_TEST_SERVER});
    ASSERT_EQ(reg.exitCode, 0) << reg.err;
    EXPECT_EQ(reg.out, std::string("DllRegisterServer in ") + COM_TEST_SERVER + " succeeded.\n");

    const ChildResult byProgId = RunChild({COM_TEST_DRIVER, "account", "TestServer.Account"});
    ASSERT_EQ(byProgId.exitCode, 0) << byProgId.out << byProgId.err;
    EXPECT_NE(byProgId.out.find("clsid=" + platform::GuidToString(CLSID_TestAccount)), std::string::npos);
    EXPECT_NE(byProgId.out.find("balance=5 latebound=5 owner=Driver\n"), std::string::npos) << byProgId.out;
    EXPECT_NE(byProgId.out.find("loaded=1\nafter_free=0\n"), std::string::npos) << byProgId.out;

    const ChildResult byClsid = RunChild({COM_TEST_DRIVER, "plain", platform::GuidToString(CLSID_TestPlain)});
    ASSERT_EQ(byClsid.exitCode, 0) << byClsid.out << byClsid.err;
    EXPECT_NE(byClsid.out.find("sum=5\nloaded=1\nafter_free=0\n"), std::string::npos) << byClsid.out;

    const ChildResult unreg = RunChild({REGSVR_PROGRAM, "-U", COM_TEST_SERVER});
    ASSERT_EQ(unreg.exitCode, 0) << unreg.err;
    EXPECT_EQ(unreg.out, std::string("DllUnregisterServer in ") + COM_TEST_SERVER + " succeeded.\n");

    const ChildResult gone = RunChild({COM_TEST_DRIVER, "account", "TestServer.Account"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.out, "failed=CLSIDFromString hr=0x800401F3\n");
    const ChildResult goneClsid = RunChild({COM_TEST_DRIVER, "plain", platform::GuidToString(CLSID_TestPlain)});
    EXPECT_NE(goneClsid.out.find("failed=CoCreateInstance hr=0x80040154\n"), std::string::npos) << goneClsid.out;
}

TEST_F(Regsvr, RelativeModuleNameRegistersTheAbsolutePath)
{
    const std::filesystem::path server(COM_TEST_SERVER);
    ChildOptions options;
    options.workingDirectory = server.parent_path();
    const ChildResult reg = RunChild(REGSVR_PROGRAM, {"/s", server.filename().string()}, options);
    ASSERT_EQ(reg.exitCode, 0) << reg.err;

    HKEY key = nullptr;
    const std::string clsidKey = "CLSID\\" + platform::GuidToString(CLSID_TestPlain) + "\\InprocServer32";
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, clsidKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    char path[1024] = {};
    DWORD size = sizeof path;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::absolute(server).lexically_normal());

    // Created from another folder, it still loads.
    const ChildResult byClsid = RunChild({COM_TEST_DRIVER, "plain", platform::GuidToString(CLSID_TestPlain)});
    EXPECT_NE(byClsid.out.find("sum=5\n"), std::string::npos) << byClsid.out << byClsid.err;
}

TEST_F(Regsvr, SilentPrintsNothingOnSuccess)
{
    const ChildResult reg = RunChild({REGSVR_PROGRAM, "/s", COM_TEST_SERVER});
    EXPECT_EQ(reg.exitCode, 0);
    EXPECT_EQ(reg.out, "");
    EXPECT_EQ(reg.err, "");
    const ChildResult unreg = RunChild({REGSVR_PROGRAM, "/S", "/u", COM_TEST_SERVER});
    EXPECT_EQ(unreg.exitCode, 0);
    EXPECT_EQ(unreg.out, "");
}

TEST_F(Regsvr, BadCommandLines)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{REGSVR_PROGRAM}, std::vector<std::string>{REGSVR_PROGRAM, "/s"},
          std::vector<std::string>{REGSVR_PROGRAM, "/x", COM_TEST_SERVER},
          std::vector<std::string>{REGSVR_PROGRAM, COM_TEST_SERVER, COM_TEST_SERVER}}) {
        const ChildResult r = RunChild(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: regsvr [/u] [/s] MODULE"), std::string::npos) << r.err;
    }
}

TEST_F(Regsvr, FailuresAreReportedEvenWhenSilent)
{
    const std::string missing = (root.path() / "missing.so").string();
    ChildResult r = RunChild({REGSVR_PROGRAM, "/s", missing});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "The module \"" + missing + "\" was not found.\n");

    const auto text = root.path() / "notes.so";
    std::ofstream(text) << "plain text\n";
    r = RunChild({REGSVR_PROGRAM, "/s", text.string()});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("failed to load.\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("notes.so"), std::string::npos); // the loader's own reason follows

    r = RunChild({REGSVR_PROGRAM, COM_TEST_NOEXPORT});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, std::string("The module \"") + COM_TEST_NOEXPORT +
                         "\" was loaded, but the entry-point DllRegisterServer was not found.\n");

    r = RunChild({REGSVR_PROGRAM, "/s", COM_TEST_FAILING});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, std::string("The module \"") + COM_TEST_FAILING +
                         "\" was loaded, but the call to DllRegisterServer failed with error code 0x80070005.\n");
    r = RunChild({REGSVR_PROGRAM, "/u", COM_TEST_FAILING});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("DllUnregisterServer failed with error code 0x80040201"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

} // namespace
