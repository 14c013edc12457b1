// The add-in's process-wide cache: the host's MAPI session and its Application object, each with
// the number of holds on it, and the reminder engine, held by one reference. The client
// extension's objects and the COM add-in set it and create or release the engine; the engine,
// the menu, the reminders window and the dialog hook read it. A pointer is null exactly when its
// count is 0.
//
// A hold belongs to the object that took it (CCacheHolds): each object releases only the holds
// it took, so an object made before something was cached releases nothing of it, and caching a
// new object leaves the holds of others alone. The last hold of the session takes the engine
// with it.
#pragma once

#include "ReminderLib.h"
#include "com/ComPtr.h"
#include "host/HostInterfaces.h"
#include "mapi/Mapi.h"

namespace AddinCache {

IMAPISession* Session();
ULONG SessionHolds();
_Application* Application();
ULONG ApplicationHolds();

// The engine (g_pReminderEngine), or null.
IReminderEngine* Engine();
// Puts `engine` into the cache (one reference) after clearing the engine there.
void SetEngine(IReminderEngine* engine);
// Clears the engine: one that is enabled is disabled first (a failure is traced and the engine
// is released all the same), so that its timer, hook and suppressions do not run on while
// another holder keeps it. The result is that of disabling (S_OK when there was nothing to do).
HRESULT ClearEngine();

} // namespace AddinCache

// The holds one object took on the cached session and Application.
class CCacheHolds {
public:
    CCacheHolds() = default;
    ~CCacheHolds();
    CCacheHolds(const CCacheHolds&) = delete;
    CCacheHolds& operator=(const CCacheHolds&) = delete;

    // A hold on each of the two that is cached now (an extension object's FinalConstruct).
    void TakeHolds();

    // Gives up this object's hold on the session, then caches `session` with a hold of this
    // object (null: caches nothing).
    HRESULT CacheMapiSession(IMAPISession* session);
    // The same for the Application.
    HRESULT CacheOutlookApplication(_Application* application);

    // Gives up the hold; true when this was the last hold on the cached object, which is then
    // cleared (the session's last hold clears the engine too). False also when no hold was held.
    bool ReleaseSession();
    bool ReleaseApplication();

    // Whether this object holds the object that is cached now.
    bool HoldsSession() const;
    bool HoldsApplication() const;

private:
    ComPtr<IMAPISession> m_session;
    ComPtr<_Application> m_application;
};
