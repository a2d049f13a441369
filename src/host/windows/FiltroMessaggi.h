#pragma once

#include <objidl.h>

namespace host {

// The IUnknown part of a COM message filter that lives as long as its thread's apartment (a
// static object): its references count for nothing. Each filter says how it handles calls.
class FiltroMessaggiPermanente : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaccia, void** oggetto) override
    {
        if (!oggetto)
            return E_POINTER;
        if (IsEqualIID(interfaccia, IID_IUnknown) || IsEqualIID(interfaccia, IID_IMessageFilter)) {
            *oggetto = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *oggetto = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

} // namespace host
