// The engine library's add-in inside the host: its start command runs once when the host
// starts and its stop command once when it quits.
#include "HostFixture.h"

#include "base/PlatformRoot.h"

#include <dlfcn.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The commands run detached: wait until the file holds `count` lines (or a while has passed).
std::vector<std::string> WaitForLines(const std::filesystem::path& file, std::size_t count)
{
    for (int i = 0; i < 200 && ReadLines(file).size() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // a late extra line would show
    return ReadLines(file);
}

} // namespace

TEST_F(HostFixture, EngineAddInRunsItsStartAndStopCommandsOnce)
{
    void* module = dlopen(TEMBRIX_LIBRARY, RTLD_NOW);
    ASSERT_NE(module, nullptr) << dlerror();
    auto reg = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    dlclose(module);
    const auto file = root.path() / "commands.txt";
    SetString(HKEY_LOCAL_MACHINE, "Software\\Tembrix", "StartCmd",
              "/bin/sh -c \"echo start >> '" + file.string() + "'\"");
    SetString(HKEY_LOCAL_MACHINE, "Software\\Tembrix", "StopCmd",
              "/bin/sh -c \"echo stop >> '" + file.string() + "'\"");

    auto host = StartHost();
    ASSERT_EQ(host->Loader().AddIns().size(), 1u);
    EXPECT_EQ(host->Loader().AddIns()[0].progId, "Tembrix.ComAddIn");
    EXPECT_EQ(WaitForLines(file, 1), std::vector<std::string>{"start"});
    host->Stop();
    EXPECT_EQ(WaitForLines(file, 2), (std::vector<std::string>{"start", "stop"}));
}
