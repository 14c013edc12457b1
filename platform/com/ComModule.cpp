#include "com/ComModule.h"

#include "base/Utf.h"
#include "com/GuidString.h"
#include "base/Module.h"
#include "com/RegistryText.h"

#include <filesystem>

using namespace platform::com::detail;

namespace {

std::string ClsidKey(const CLSID& clsid)
{
    return "CLSID\\" + platform::GuidToString(clsid);
}

// The ProgID key names this class (or names none): safe to remove.
bool ProgIdBelongsTo(const char* progId, const std::string& clsidText)
{
    const auto value = ReadString(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID", nullptr);
    return !value || platform::EqualNoCase(*value, clsidText);
}

} // namespace

ComModule::ComModule(std::span<const ComClassEntry> objectMap, const GUID& libid, std::atomic<LONG>& lockCount)
    : m_objectMap(objectMap), m_libid(libid), m_lockCount(lockCount)
{
}

HRESULT ComModule::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) const
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (const ComClassEntry& entry : m_objectMap) {
        if (entry.clsid && entry.getClassObject && IsEqualCLSID(*entry.clsid, rclsid))
            return entry.getClassObject(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::CanUnloadNow() const
{
    return m_lockCount.load() == 0 ? S_OK : S_FALSE;
}

LONG ComModule::GetLockCount() const
{
    return m_lockCount.load();
}

std::string ComModule::ModulePath() const
{
    // The lock count lives in the library's own data (ModuleLockCount is hidden in every
    // library), so its address names the library wherever the module object itself lives.
    return platform::ModulePathOfAddress(&m_lockCount);
}

HRESULT ComModule::RegisterClass(const ComClassEntry& entry) const
{
    if (!entry.clsid)
        return entry.updateRegistry ? entry.updateRegistry(TRUE) : S_OK;

    const std::string clsidText = platform::GuidToString(*entry.clsid);
    const std::string clsidKey = ClsidKey(*entry.clsid);
    const std::string description = entry.description ? entry.description : "";
    const std::string path = ModulePath();
    if (path.empty())
        return SELFREG_E_CLASS;

    LONG rc = ERROR_SUCCESS;
    auto write = [&rc](const std::string& key, const char* name, const std::string& value) {
        if (rc == ERROR_SUCCESS)
            rc = WriteString(HKEY_CLASSES_ROOT, key, name, value);
    };

    if (entry.progId) {
        write(entry.progId, nullptr, description);
        write(std::string(entry.progId) + "\\CLSID", nullptr, clsidText);
    }
    if (entry.versionIndependentProgId) {
        const std::string vi = entry.versionIndependentProgId;
        write(vi, nullptr, description);
        write(vi + "\\CLSID", nullptr, clsidText);
        if ((entry.flags & kComRegisterCurVer) && entry.progId)
            write(vi + "\\CurVer", nullptr, entry.progId);
    }

    // The class key is rewritten from scratch, so that nothing of an older registration stays.
    if (rc == ERROR_SUCCESS)
        rc = DeleteTree(HKEY_CLASSES_ROOT, clsidKey);
    write(clsidKey, nullptr, description);
    if (entry.progId)
        write(clsidKey + "\\ProgID", nullptr, entry.progId);
    if (entry.versionIndependentProgId)
        write(clsidKey + "\\VersionIndependentProgID", nullptr, entry.versionIndependentProgId);
    write(clsidKey + "\\InprocServer32", nullptr, path);
    if (entry.threadingModel)
        write(clsidKey + "\\InprocServer32", "ThreadingModel", entry.threadingModel);
    if ((entry.flags & kComRegisterProgrammable) && rc == ERROR_SUCCESS)
        rc = CreateKey(HKEY_CLASSES_ROOT, clsidKey + "\\Programmable");
    if (entry.flags & kComRegisterTypeLib)
        write(clsidKey + "\\TypeLib", nullptr, platform::GuidToString(m_libid));

    if (rc != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    return entry.updateRegistry ? entry.updateRegistry(TRUE) : S_OK;
}

HRESULT ComModule::UnregisterClass(const ComClassEntry& entry) const
{
    HRESULT result = S_OK;
    if (entry.updateRegistry) {
        const HRESULT hr = entry.updateRegistry(FALSE);
        if (FAILED(hr))
            result = hr;
    }
    if (!entry.clsid)
        return result;

    const std::string clsidText = platform::GuidToString(*entry.clsid);
    LONG rc = ERROR_SUCCESS;
    auto remove = [&rc](const std::string& key) {
        const LONG r = DeleteTree(HKEY_CLASSES_ROOT, key);
        if (r != ERROR_SUCCESS && rc == ERROR_SUCCESS)
            rc = r;
    };
    // A ProgID now taken by another class is left alone.
    if (entry.progId && ProgIdBelongsTo(entry.progId, clsidText))
        remove(entry.progId);
    if (entry.versionIndependentProgId && ProgIdBelongsTo(entry.versionIndependentProgId, clsidText))
        remove(entry.versionIndependentProgId);
    remove(ClsidKey(*entry.clsid));
    if (rc != ERROR_SUCCESS && SUCCEEDED(result))
        result = SELFREG_E_CLASS;
    return result;
}

HRESULT ComModule::UpdateTypeLibRegistry(BOOL bRegister, const char* name) const
{
    const std::string key = "TypeLib\\" + platform::GuidToString(m_libid);
    if (!bRegister)
        return DeleteTree(HKEY_CLASSES_ROOT, key) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    return WriteString(HKEY_CLASSES_ROOT, key + "\\1.0", nullptr, name ? name : "") == ERROR_SUCCESS ? S_OK
                                                                                                  : SELFREG_E_CLASS;
}

HRESULT ComModule::WriteCanonicalServerPath() const
{
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::canonical(ModulePath(), ec);
    if (ec || path.empty())
        return SELFREG_E_CLASS;
    for (const ComClassEntry& entry : m_objectMap) {
        if (!entry.clsid)
            continue;
        const std::string key = ClsidKey(*entry.clsid) + "\\InprocServer32";
        if (!KeyExists(HKEY_CLASSES_ROOT, key) || WriteString(HKEY_CLASSES_ROOT, key, nullptr, path.string()) != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

HRESULT ComModule::RegisterServer() const
{
    for (const ComClassEntry& entry : m_objectMap) {
        const HRESULT hr = RegisterClass(entry);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT ComModule::UnregisterServer() const
{
    // Remove as much as possible; report the first failure.
    HRESULT result = S_OK;
    for (const ComClassEntry& entry : m_objectMap) {
        const HRESULT hr = UnregisterClass(entry);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}
