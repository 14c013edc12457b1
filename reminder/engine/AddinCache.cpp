#include "AddinCache.h"

#include "TraceScope.h"

#include <utility>

namespace {

// Host window thread only: no lock.
IMAPISession* g_session = nullptr;
ULONG g_sessionHolds = 0;
_Application* g_application = nullptr;
ULONG g_applicationHolds = 0;
IReminderEngine* g_pReminderEngine = nullptr;

// Takes a hold on `object` for `held`, when it is the cached one.
template <class T>
void TakeHold(ComPtr<T>& held, T* cached, ULONG& holds)
{
    if (!cached || held.get() == cached)
        return;
    held = cached;
    ++holds;
}

// Gives up the hold in `held`; true when it was the last one on the cached object.
template <class T>
bool GiveUpHold(ComPtr<T>& held, T*& cached, ULONG& holds)
{
    if (!held)
        return false;
    bool last = false;
    if (held.get() == cached && holds > 0) {
        if (--holds == 0) {
            cached = nullptr;
            last = true;
        }
    }
    held = nullptr;
    return last;
}

template <class T>
void Cache(ComPtr<T>& held, T* object, T*& cached, ULONG& holds)
{
    if (!object)
        return;
    if (cached != object) {
        // Another object is cached by others: their holds stay theirs and count no more.
        cached = object;
        holds = 0;
    }
    held = object;
    ++holds;
}

} // namespace

namespace AddinCache {

IMAPISession* Session()
{
    return g_session;
}

ULONG SessionHolds()
{
    return g_sessionHolds;
}

_Application* Application()
{
    return g_application;
}

ULONG ApplicationHolds()
{
    return g_applicationHolds;
}

IReminderEngine* Engine()
{
    return g_pReminderEngine;
}

void SetEngine(IReminderEngine* engine)
{
    ClearEngine();
    if (engine) {
        engine->AddRef();
        g_pReminderEngine = engine;
    }
}

HRESULT ClearEngine()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("AddinCache::ClearEngine", &hr);
    IReminderEngine* engine = std::exchange(g_pReminderEngine, nullptr);
    if (!engine)
        return hr;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (SUCCEEDED(engine->get_Enabled(&enabled)) && enabled) {
        hr = engine->put_Enabled(VARIANT_FALSE);
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", hr);
    }
    engine->Release();
    return hr;
}

} // namespace AddinCache

CCacheHolds::~CCacheHolds()
{
    ReleaseApplication();
    ReleaseSession();
}

void CCacheHolds::TakeHolds()
{
    TakeHold(m_session, g_session, g_sessionHolds);
    TakeHold(m_application, g_application, g_applicationHolds);
}

HRESULT CCacheHolds::CacheMapiSession(IMAPISession* session)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CacheMapiSession", &hr);
    // Holding the session that is to be cached: the hold stays as it is.
    if (session && m_session.get() == session && g_session == session)
        return hr;
    ReleaseSession();
    Cache(m_session, session, g_session, g_sessionHolds);
    return hr;
}

HRESULT CCacheHolds::CacheOutlookApplication(_Application* application)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CacheOutlookApplication", &hr);
    if (application && m_application.get() == application && g_application == application)
        return hr;
    ReleaseApplication();
    Cache(m_application, application, g_application, g_applicationHolds);
    return hr;
}

bool CCacheHolds::ReleaseSession()
{
    const bool last = GiveUpHold(m_session, g_session, g_sessionHolds);
    if (last)
        AddinCache::ClearEngine();
    return last;
}

bool CCacheHolds::ReleaseApplication()
{
    return GiveUpHold(m_application, g_application, g_applicationHolds);
}

bool CCacheHolds::HoldsSession() const
{
    return m_session && m_session.get() == g_session;
}

bool CCacheHolds::HoldsApplication() const
{
    return m_application && m_application.get() == g_application;
}
