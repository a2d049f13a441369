#include <windows.h>

#include <atomic>

#include "hostserver/com/FabbricaCom.h"
#include "hostserver/com/RegistrazioneCom.h"
#include "hostserver/com/ServerCom.h"

// "Orvella.Server" loaded into its client: the entry points that COM and regsvr32 call.

namespace hostserver {
namespace {

std::atomic<long> oggettiVivi { 0 };

} // namespace

bool trattieniModulo()
{
    ++oggettiVivi;
    return true;
}

void rilasciaModulo()
{
    --oggettiVivi;
}

void serverAndatoVia() { }

ServerOrvella::RifiutoDalFiltro rifiutoDelModulo()
{
    return {};
}

} // namespace hostserver

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID classe, REFIID interfaccia, void** oggetto)
{
    if (!oggetto)
        return E_POINTER;
    *oggetto = nullptr;
    if (!IsEqualCLSID(classe, hostserver::kClsidServerOrvella))
        return CLASS_E_CLASSNOTAVAILABLE;
    return hostserver::fabbricaServer().QueryInterface(interfaccia, oggetto);
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow()
{
    return hostserver::oggettiVivi == 0 ? S_OK : S_FALSE;
}

// For the machine, as the host's installer registers its server: COM under Wine looks classes up
// there only. A 32-bit DLL lands in the 32-bit view, where its 32-bit clients look.
extern "C" HRESULT STDMETHODCALLTYPE DllRegisterServer()
{
    return hostserver::registraServer(hostserver::ModoServer::Dll);
}

extern "C" HRESULT STDMETHODCALLTYPE DllUnregisterServer()
{
    return hostserver::cancellaServer();
}
