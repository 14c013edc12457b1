// The engine's own progress sink, used when a run is started without one: every report goes to
// the debugger output.
#pragma once

#include "TembrixLib.h"

#include <atomic>

class CDefaultStatus : public IStatus {
public:
    CDefaultStatus();
    virtual ~CDefaultStatus();
    CDefaultStatus(const CDefaultStatus&) = delete;
    CDefaultStatus& operator=(const CDefaultStatus&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Information(BSTR msg) override;
    HRESULT STDMETHODCALLTYPE FoldersProgress(LONG lCurrent, LONG lTotal) override;
    HRESULT STDMETHODCALLTYPE CurrentFolder(IFolder* pFolder) override;
    HRESULT STDMETHODCALLTYPE MessagesProgress(LONG lCurrent, LONG lTotal) override;

private:
    std::atomic<LONG> m_cRef{1};
};

// A new default sink with one reference.
HRESULT GetStatusObject(IStatus** ppStatus);
