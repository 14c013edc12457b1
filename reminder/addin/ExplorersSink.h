// CExplorersSink: the one sink of the process on the host's Explorers collection: every new
// explorer window gets an explorer sink, whose activation then gives it the menu button.
#pragma once

#include "DispEventSink.h"

class CExplorersSink : public CDispEventSink<CExplorersSink> {
public:
    CExplorersSink();
    ~CExplorersSink() override;

    HRESULT OnEvent(DISPID dispid, const DISPPARAMS& params);
    // NewExplorer: a sink for the explorer, activated at once.
    HRESULT OnNewExplorer(IDispatch* explorer);
};
