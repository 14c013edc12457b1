// The program's receiver of a run's progress (the engine's IStatus). It is called on the
// worker thread: it writes each report to the debugger output, keeps the last status text and
// the current folder's record key in two process-wide strings (each under its own lock), and
// posts a message to the view, which reads them on the window thread.
#pragma once

#include "TembrixLib.h"

#include "base/WinTypes.h"

#include <atomic>
#include <string>

class CSyncStatusSink final : public IStatus {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Information(BSTR msg) override;
    HRESULT STDMETHODCALLTYPE FoldersProgress(LONG lCurrent, LONG lTotal) override;
    // Releases the folder's reference whatever happens; a name or key that cannot be converted
    // fails the call (nothing is posted).
    HRESULT STDMETHODCALLTYPE CurrentFolder(IFolder* pFolder) override;
    HRESULT STDMETHODCALLTYPE MessagesProgress(LONG lCurrent, LONG lTotal) override;

    // The window that the reports are posted to.
    HWND m_hWndView = nullptr;

    // The last text given to Information, and the record key of the current folder.
    static std::string StatusText();
    static std::string CurrentFolderKey();

private:
    friend HRESULT CreateStatusSink(IStatus** ppStatus);
    CSyncStatusSink() = default;
    virtual ~CSyncStatusSink() = default;

    std::atomic<LONG> m_cRef{1};
};

// A new sink with one reference; E_OUTOFMEMORY when it cannot be made.
HRESULT CreateStatusSink(IStatus** ppStatus);
