#include "ClassFactory.h"
#include "Module.h"
#include "../page/PropSheetExt.h"

HRESULT STDMETHODCALLTYPE TClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, __uuidof(IUnknown)) || IsEqualGUID(riid, __uuidof(IClassFactory)))
    {
        IClassFactory* Self = this;
        *ppv = Self;
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TClassFactory::AddRef()
{
    return InterlockedIncrement(&FRefCount);
}

ULONG STDMETHODCALLTYPE TClassFactory::Release()
{
    return Uncount(InterlockedDecrement(&FRefCount));
}

// The factory is uncounted and destroyed by whichever call brings its count
// to zero, decided on the value of that call's own decrement.
ULONG TClassFactory::Uncount(LONG Count)
{
    if (Count == 0)
    {
        InterlockedDecrement(&ObjectCount);
        delete this;
    }
    return Count;
}

HRESULT STDMETHODCALLTYPE TClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    TPropSheetExt* Extension = new TPropSheetExt;
    if (!Extension)
        return E_OUTOFMEMORY;
    HRESULT Result = Extension->QueryInterface(riid, ppv);
    if (SUCCEEDED(Result))
    {
        InterlockedIncrement(&ObjectCount);
        return Result;
    }
    delete Extension;
    return E_FAIL;
}

// A lock keeps this factory alive by holding a count of its own. An unlock
// that brings the count to zero (the client released its pointer while the
// lock was held) acts as the final Release: otherwise nobody could ever
// free the factory and the module would stay loaded for good.
HRESULT STDMETHODCALLTYPE TClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        InterlockedIncrement(&FRefCount);
    else
        Uncount(InterlockedDecrement(&FRefCount));
    return S_OK;
}
