// CExplorer: an explorer window of the host: its command bars, its current folder and its
// events (Activate, FolderSwitch, Deactivate, Close on ExplorerEvents).
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ConnectionPointContainerImpl.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/CommandBars.h"
#include "host/Folder.h"
#include "host/HostInterfaces.h"

#include <span>

class CHostApplication;

class CExplorer : public ComObject<CExplorer, DispatchImpl<CExplorer, _Explorer>, SupportErrorInfoImpl<_Explorer>,
                                   ConnectionPointContainerImpl> {
public:
    CExplorer(CHostApplication* application, ComPtr<CFolder> folder);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** bars) override;
    HRESULT STDMETHODCALLTYPE get_CurrentFolder(MAPIFolder** folder) override;
    HRESULT STDMETHODCALLTYPE put_CurrentFolder(MAPIFolder* folder) override;
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) override;
    HRESULT STDMETHODCALLTYPE Activate() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_Application(_Application** application) override;

    CCommandBars* Bars() const { return m_bars.get(); }
    CFolder* Folder() const { return m_folder.get(); }
    bool Closed() const { return m_application == nullptr; }
    void FireActivate();
    void FireDeactivate();
    // The window closes: Close to the sinks, command bars cut off.
    void CloseWindow();

private:
    CHostApplication* m_application;
    ComPtr<CFolder> m_folder;
    ComPtr<CCommandBars> m_bars;
    ConnectionPoint* m_events = nullptr;
};
