// The add-in's sink on the host application's ApplicationEvents: on Quit it disconnects the
// add-in, which runs the stop command.
#pragma once

#include "com/ComObject.h"
#include "com/Dispatch.h"

class CComAddIn;

class CApplicationSink : public ComObject<CApplicationSink, IDispatch> {
public:
    explicit CApplicationSink(CComAddIn* pAddIn);
    ~CApplicationSink() override;
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

private:
    CComAddIn* m_pAddIn; // not counted: the add-in owns the sink
};
