// MAPIInitialize, MAPIUninitialize, MAPILogonEx and MAPIAdminProfiles.
#include "mapi/Mapi.h"

#include "base/Utf.h"
#include "mapi/MsgStore.h"
#include "mapi/ProfAdmin.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/Session.h"

#include <map>
#include <mutex>

namespace {

thread_local int t_initCount = 0;

std::mutex& SharedMutex()
{
    static auto* m = new std::mutex(); // outlives every session, whatever the exit order
    return *m;
}
// Sessions logged on without MAPI_NEW_SESSION, by profile: a later logon shares them while
// they live. The list holds no reference; a dying session takes itself out.
std::map<std::string, mapi::Session*>& SharedSessions()
{
    static auto* sessions = new std::map<std::string, mapi::Session*>();
    return *sessions;
}

void ForgetSharedSession(mapi::Session* session)
{
    std::lock_guard lock(SharedMutex());
    auto& list = SharedSessions();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->second == session) {
            list.erase(it);
            return;
        }
    }
}

} // namespace

HRESULT MAPIInitialize(LPVOID lpMapiInit)
{
    if (lpMapiInit) {
        const auto* init = static_cast<const MAPIINIT_0*>(lpMapiInit);
        if (init->ulVersion > MAPI_INIT_VERSION)
            return MAPI_E_VERSION;
        if (init->ulFlags & ~(MAPI_MULTITHREAD_NOTIFICATIONS | MAPI_NT_SERVICE | MAPI_NO_COINIT))
            return MAPI_E_UNKNOWN_FLAGS;
    }
    ++t_initCount;
    return S_OK;
}

void MAPIUninitialize()
{
    if (t_initCount > 0)
        --t_initCount;
}

HRESULT MAPILogonEx(ULONG_PTR, LPTSTR lpszProfileName, LPTSTR, FLAGS flFlags, LPMAPISESSION* lppSession)
{
    if (!lppSession)
        return MAPI_E_INVALID_PARAMETER;
    *lppSession = nullptr;
    if (t_initCount == 0)
        return MAPI_E_NOT_INITIALIZED;
    std::string name = lpszProfileName ? platform::Utf16ToUtf8(mapi::TextArg(lpszProfileName, flFlags)) : std::string();
    if (name.empty() && !(flFlags & MAPI_NEW_SESSION)) {
        // No profile named: the shared session, when there is one.
        std::lock_guard lock(SharedMutex());
        for (auto& [profile, session] : SharedSessions()) {
            if (!session->loggedOff() && session->TryAddRef()) {
                *lppSession = session;
                return S_OK;
            }
        }
    }
    if (name.empty()) {
        std::vector<std::string> names;
        std::string def;
        HRESULT hr = mapi::ProfileRegistry::List(names, def);
        if (FAILED(hr))
            return hr;
        if (!(flFlags & MAPI_USE_DEFAULT) || def.empty())
            return MAPI_E_LOGON_FAILED; // no dialog to ask for a profile
        name = def;
    }
    std::string stored;
    if (FAILED(mapi::ProfileRegistry::CanonicalName(name, stored)))
        return MAPI_E_LOGON_FAILED;
    std::lock_guard lock(SharedMutex());
    if (!(flFlags & MAPI_NEW_SESSION)) {
        auto it = SharedSessions().find(platform::ToLowerAscii(stored));
        if (it != SharedSessions().end() && !it->second->loggedOff() && it->second->TryAddRef()) {
            *lppSession = it->second;
            return S_OK;
        }
    }
    IMAPISession* session = nullptr;
    HRESULT hr = mapi::Session::Create(stored, flFlags, &session);
    if (FAILED(hr))
        return hr;
    if (!(flFlags & MAPI_NEW_SESSION)) {
        mapi::Session::s_onDestroy = ForgetSharedSession;
        SharedSessions()[platform::ToLowerAscii(stored)] = static_cast<mapi::Session*>(session);
    }
    *lppSession = session;
    return S_OK;
}

HRESULT MAPIAdminProfiles(ULONG ulFlags, LPPROFADMIN* lppProfAdmin)
{
    if (!lppProfAdmin)
        return MAPI_E_INVALID_PARAMETER;
    *lppProfAdmin = nullptr;
    if (ulFlags & ~MAPI_UNICODE)
        return MAPI_E_UNKNOWN_FLAGS;
    return mapi::ProfAdmin::Create(ulFlags, lppProfAdmin);
}
