// The plain (IUnknown-only) class of the test server.
#pragma once

#include "TestInterfaces.h"
#include "com/ComObject.h"

class CTestPlain : public ComObject<CTestPlain, IPlain> {
public:
    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override;
};
