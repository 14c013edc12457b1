#include "TestPlain.h"

HRESULT CTestPlain::Add(LONG a, LONG b, LONG* sum)
{
    if (!sum)
        return E_POINTER;
    *sum = a + b;
    return S_OK;
}
