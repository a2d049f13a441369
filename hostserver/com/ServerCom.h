#pragma once

#include <oaidl.h>
#include <unknwn.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "hostserver/OrvellaServer.h"

namespace hostserver {

// The class identifier under which the stand-in registers "Orvella.Server".
// {9553412C-F4D8-4B8E-9295-1CB5C5C6E894}
inline constexpr CLSID kClsidServerOrvella
    = { 0x9553412c, 0xf4d8, 0x4b8e, { 0x92, 0x95, 0x1c, 0xb5, 0xc5, 0xc6, 0xe8, 0x94 } };

// Each module's count of live objects and server locks, defined by the DLL and by the program:
// the DLL may be unloaded, and the program ends, when it falls to zero. trattieniModulo answers
// false when the module takes no more objects.
bool trattieniModulo();
void rilasciaModulo();

// The practice's fault table made the server go away: the program ends at once, as a host that
// crashed or was killed; a library cannot end its client's process and only fails the call.
void serverAndatoVia();

// How the module refuses the calls of a busy server: the program from its message filter; a
// library, which has no filter of its own in its client's process, gives nothing and lets each
// call answer with the busy code.
ServerOrvella::RifiutoDalFiltro rifiutoDelModulo();

// ServerOrvella behind IDispatch: members are found by name without regard to case, each call is
// one ServerOrvella call, and a failure comes back as DISP_E_EXCEPTION with the server's message;
// a failure with a system's code (a busy or gone server) comes back as that code. A name asked for
// announces its call to the server, which may then be busy before the call arrives.
class ServerCom final : public IDispatch {
public:
    explicit ServerCom(std::unique_ptr<ServerOrvella> server);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaccia, void** oggetto) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* quanti) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** informazione) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* nomi, UINT quanti, LCID, DISPID* membri) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID membro, REFIID, LCID, WORD tipo, DISPPARAMS* parametri, VARIANT* risultato,
        EXCEPINFO* eccezione, UINT* argomentoErrato) override;

private:
    ~ServerCom();

    std::atomic<ULONG> riferimenti_ { 1 };
    std::unique_ptr<ServerOrvella> server_;
    // DISPID n is the method at n - 1, in the order of first request.
    std::vector<std::string> metodi_;
};

} // namespace hostserver
