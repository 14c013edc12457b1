// The test add-in library: one class, registered through DllRegisterServer.
#include "TestAddIn.h"
#include "com/ComModule.h"

namespace {

const ComClassEntry kObjectMap[] = {
    ComClassEntry::Creatable<CTestAddIn>(CLSID_TestAddIn, "HostTest.AddIn.1", kTestAddInProgId, "Host Test Add-In",
                                         "Apartment", kComRegisterCurVer),
};

} // namespace

COM_DEFINE_MODULE(g_testAddInModule, kObjectMap, LIBID_TestAddIn);
COM_MODULE_EXPORTS(g_testAddInModule)
