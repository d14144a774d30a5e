// The class factory of CLSID_PropSheetExt.
#ifndef POINTIX_CLASSFACTORY_H
#define POINTIX_CLASSFACTORY_H

#include <windows.h>
#include <unknwn.h>

#include "../util/Object.h"

class TClassFactory : public TObject, public IClassFactory
{
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    ULONG Uncount(LONG Count);

    volatile LONG FRefCount;
};

#endif
