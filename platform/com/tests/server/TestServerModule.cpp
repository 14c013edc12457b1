// The test server library: two classes, registered by the register-server tool.
#include "TestAccount.h"
#include "TestPlain.h"
#include "com/ComModule.h"

namespace {

const ComClassEntry kObjectMap[] = {
    ComClassEntry::Creatable<CTestAccount>(CLSID_TestAccount, "TestServer.Account.1", "TestServer.Account",
                                           "Account Class", "Both",
                                           kComRegisterCurVer | kComRegisterProgrammable | kComRegisterTypeLib),
    ComClassEntry::Internal(),
    ComClassEntry::Creatable<CTestPlain>(CLSID_TestPlain, "TestServer.Plain.1", "TestServer.Plain", "Plain Class",
                                         "Apartment"),
};

} // namespace

COM_DEFINE_MODULE(g_testModule, kObjectMap, LIBID_TestServer);
COM_MODULE_EXPORTS(g_testModule)

// The module's lock count, for the tests.
extern "C" [[gnu::visibility("default")]] LONG TestServerLockCount()
{
    return g_testModule.GetLockCount();
}
