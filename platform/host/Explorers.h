// CExplorers: the open explorer windows (1-based), with the NewExplorer event.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ConnectionPointContainerImpl.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/Explorer.h"
#include "host/HostInterfaces.h"

#include <span>
#include <vector>

class CHostApplication;

class CExplorers : public ComObject<CExplorers, DispatchImpl<CExplorers, _Explorers>, SupportErrorInfoImpl<_Explorers>,
                                    ConnectionPointContainerImpl> {
public:
    explicit CExplorers(CHostApplication* application);

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(VARIANT Index, _Explorer** explorer) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT Folder, VARIANT DisplayMode, _Explorer** explorer) override;

    // Adds an explorer opened by the host and tells the sinks (NewExplorer).
    void Opened(CExplorer* explorer);
    void Closed(CExplorer* explorer);
    const std::vector<ComPtr<CExplorer>>& List() const { return m_explorers; }
    void Detach() { m_application = nullptr; }

private:
    CHostApplication* m_application;
    std::vector<ComPtr<CExplorer>> m_explorers;
    ConnectionPoint* m_events = nullptr;
};
