#include "HostFixture.h"

#include "base/PlatformRoot.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"
#include "VirtualDisplay.h"

#include <algorithm>
#include <dlfcn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

void HostFixture::SetUp()
{
    ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
    const auto store = platform::StoresDirectory() / "mailbox.store";
    ASSERT_EQ(mapi::CreateStoreFile(store, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", store), S_OK);
}

void HostFixture::TearDown() {}

void HostFixture::RegisterAddIn(HKEY root, DWORD loadBehavior, const char* progId)
{
    void* module = dlopen(HOST_TEST_ADDIN, RTLD_NOW);
    ASSERT_NE(module, nullptr) << dlerror();
    auto reg = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    dlclose(module);
    const std::string key = std::string("Software\\Microsoft\\Office\\Outlook\\Addins\\") + progId;
    SetDword(root, key.c_str(), "LoadBehavior", loadBehavior);
    SetString(root, key.c_str(), "FriendlyName", "Host Test Add-In");
}

void HostFixture::SetDword(HKEY root, const char* key, const char* name, DWORD value)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

void HostFixture::SetString(HKEY root, const char* key, const char* name, const std::string& value)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

std::unique_ptr<host::HostProgram> HostFixture::StartHost(host::HostOptions options)
{
    options.headless = true;
    auto program = std::make_unique<host::HostProgram>(options, out, err);
    EXPECT_TRUE(program->Start()) << err.str();
    return program;
}

std::vector<std::string> HostFixture::Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line))
        lines.push_back(line);
    return lines;
}

bool HostFixture::HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> HostFixture::AddInLogOf(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& line : AddInLog())
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

std::vector<std::string> HostFixture::AddInLog() const
{
    std::ifstream in(platform::RootDirectory() / "testaddin.log");
    std::stringstream s;
    s << in.rdbuf();
    return Lines(s.str());
}

std::string HostFixture::CreateMessageIn(LONG folderType, const char* subject)
{
    MAPIInitialize(nullptr);
    host::HostSession session;
    EXPECT_EQ(session.Logon("Work"), S_OK);
    ComPtr<IMsgStore> store;
    host::Binary storeId, inboxId;
    EXPECT_EQ(session.OpenDefaultStore(store, storeId), S_OK);
    EXPECT_EQ(session.DefaultFolderId(store.get(), folderType, inboxId), S_OK);
    ULONG type = 0;
    ComPtr<IMAPIFolder> inbox;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(inboxId.size()), reinterpret_cast<LPENTRYID>(inboxId.data()),
                               nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(inbox.put())),
              S_OK);
    ComPtr<IMessage> message;
    EXPECT_EQ(inbox->CreateMessage(nullptr, 0, message.put()), S_OK);
    SPropValue p[2];
    p[0].ulPropTag = PR_SUBJECT_A;
    p[0].Value.lpszA = const_cast<char*>(subject);
    p[1].ulPropTag = PR_MESSAGE_CLASS_A;
    p[1].Value.lpszA = const_cast<char*>("IPM.Note");
    EXPECT_EQ(message->SetProps(2, p, nullptr), S_OK);
    EXPECT_EQ(message->SaveChanges(0), S_OK);
    const std::string id = host::HexText(host::GetBinaryProp(message.get(), PR_ENTRYID));
    message = nullptr;
    inbox = nullptr;
    store = nullptr;
    session.Logoff();
    MAPIUninitialize();
    return id;
}


int HostFixture::RunWindowedHost(const std::string& script, std::vector<std::string>& lines, std::string* text,
                                 const std::string& environment, const std::string& arguments)
{
    VirtualDisplay display;
    if (!display.ok()) {
        ADD_FAILURE() << display.error();
        return -1;
    }
    const auto scriptFile = root.path() / "script.txt";
    std::ofstream(scriptFile) << script;
    const auto output = root.path() / "out.txt";
    // Under the sanitizers the toolkit's own libraries keep memory to the end; that is not ours.
    const std::string leaks = "LSAN_OPTIONS=print_suppressions=0:suppressions='" + std::string(TOOLKIT_LEAKS) + "' ";
    const std::string command = leaks + environment + " '" + std::string(MAILHOST_PROGRAM) + "' --script '" +
                                scriptFile.string() + "' " + arguments + " > '" + output.string() + "' 2>&1";
    const int status = display.run(command);
    std::ifstream in(output);
    std::stringstream all;
    all << in.rdbuf();
    lines = Lines(all.str());
    if (text)
        *text = all.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
