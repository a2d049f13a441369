#include <windows.h>

#include <oleauto.h>

#include "hostserver/com/FabbricaCom.h"
#include "hostserver/com/ServerCom.h"

namespace hostserver {
namespace {

// Leaves the failure's text for the caller's thread, where CoCreateInstance's caller finds it.
void lasciaErrore(const std::u16string& testo)
{
    ICreateErrorInfo* nuovo = nullptr;
    if (FAILED(CreateErrorInfo(&nuovo)))
        return;
    nuovo->SetDescription(const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(testo.c_str())));
    nuovo->SetSource(const_cast<LPOLESTR>(L"Orvella.Server"));
    IErrorInfo* errore = nullptr;
    if (SUCCEEDED(nuovo->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errore)))) {
        SetErrorInfo(0, errore);
        errore->Release();
    }
    nuovo->Release();
}

class FabbricaServer final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaccia, void** oggetto) override
    {
        if (!oggetto)
            return E_POINTER;
        if (IsEqualIID(interfaccia, IID_IUnknown) || IsEqualIID(interfaccia, IID_IClassFactory)) {
            *oggetto = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *oggetto = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* esterno, REFIID interfaccia, void** oggetto) override
    {
        if (!oggetto)
            return E_POINTER;
        *oggetto = nullptr;
        if (esterno)
            return CLASS_E_NOAGGREGATION;
        // Held during the creation, so that a program whose only creation failed still ends.
        if (!trattieniModulo())
            return CO_E_SERVER_STOPPING;
        const HRESULT esito = crea(interfaccia, oggetto);
        rilasciaModulo();
        return esito;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL blocca) override
    {
        if (!blocca) {
            rilasciaModulo();
            return S_OK;
        }
        return trattieniModulo() ? S_OK : CO_E_SERVER_STOPPING;
    }

private:
    static HRESULT crea(REFIID interfaccia, void** oggetto)
    {
        try {
            // Each instance opens the practice named at that moment, as the in-process class does.
            auto* server = new ServerCom(std::make_unique<ServerOrvella>(ServerOrvella::percorsoDbPredefinito()));
            const HRESULT esito = server->QueryInterface(interfaccia, oggetto);
            server->Release();
            return esito;
        } catch (const host::AutomationError& errore) {
            lasciaErrore(errore.messaggio());
            return E_FAIL;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
};

} // namespace

IClassFactory& fabbricaServer()
{
    static FabbricaServer fabbrica;
    return fabbrica;
}

} // namespace hostserver
