#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <cstdio>

#include "host/windows/FiltroMessaggi.h"
#include "hostserver/com/FabbricaCom.h"
#include "hostserver/com/RegistrazioneCom.h"
#include "hostserver/com/ServerCom.h"
#include "platform/windows/TestoWindows.h"
#include "tools/Cp1252.h"

// "Orvella.Server" in a process of its own, which 32-bit and 64-bit clients alike reach:
// /regserver and /unregserver write and remove its registration, COM starts it with -Embedding.

namespace hostserver {
namespace {

// Everything below runs on the apartment's one thread: no locks.
DWORD registrazione = 0;
bool registrata = false;
bool inChiusura = false;
// While busy, the answer to each automation call and until when it holds.
DWORD rispostaOccupato = SERVERCALL_ISHANDLED;
std::chrono::steady_clock::time_point occupatoFino;

// A desktop program with a dialog open refuses the calls that arrive meanwhile before they reach
// any object, in its message filter; the client's COM then gives the refusal to the caller's own
// filter, or to the caller.
class FiltroOccupato final : public host::FiltroMessaggiPermanente {
public:
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO chiamata) override
    {
        // The automation calls only: COM's own bookkeeping of references goes on.
        const bool automazione = chiamata && IsEqualIID(chiamata->iid, IID_IDispatch);
        if (automazione && std::chrono::steady_clock::now() < occupatoFino)
            return rispostaOccupato;
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override
    {
        return static_cast<DWORD>(-1); // the server calls no one
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

// The reply to the call that released the last object leaves after the call has returned, from
// another thread: the process waits a moment for it rather than end under it.
constexpr UINT kAttesaChiusuraMs = 1000;

void CALLBACK chiudi(HWND, UINT, UINT_PTR, DWORD)
{
    PostQuitMessage(0);
}

void ritiraClasse()
{
    if (registrata)
        CoRevokeClassObject(registrazione);
    registrata = false;
}

// Serves until the last object or lock is gone, then the process ends.
int servi()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    static FiltroOccupato filtro;
    CoRegisterMessageFilter(&filtro, nullptr);
    // Suspended until registered, so that no client finds the class half ready.
    HRESULT esito = CoRegisterClassObject(kClsidServerOrvella, &fabbricaServer(), CLSCTX_LOCAL_SERVER,
        REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &registrazione);
    registrata = SUCCEEDED(esito);
    if (registrata)
        esito = CoResumeClassObjects();
    if (SUCCEEDED(esito)) {
        MSG messaggio;
        while (GetMessageW(&messaggio, nullptr, 0, 0) > 0) {
            TranslateMessage(&messaggio);
            DispatchMessageW(&messaggio);
        }
    }
    ritiraClasse();
    CoUninitialize();
    return SUCCEEDED(esito) ? 0 : 1;
}

int esitoRegistrazione(HRESULT esito, const char* azione)
{
    if (SUCCEEDED(esito))
        return 0;
    std::fprintf(stderr, "Orvella.Server: %s non riuscita: %s\n", azione,
        utf16ToUtf8(platform::descrizioneSistema(static_cast<DWORD>(esito))).c_str());
    return 1;
}

bool eOpzione(const wchar_t* argomento, const wchar_t* nome)
{
    return (argomento[0] == L'-' || argomento[0] == L'/')
        && CompareStringOrdinal(argomento + 1, -1, nome, -1, TRUE) == CSTR_EQUAL;
}

} // namespace

// The objects and locks count in COM's own count for the process; at zero the class is revoked
// at once, before the last release returns, so that the next creation starts a new process
// rather than reach this ending one.
bool trattieniModulo()
{
    if (inChiusura)
        return false;
    CoAddRefServerProcess();
    return true;
}

void serverAndatoVia()
{
    // No reply, no clean-up: the client finds the process gone, as when Orvella crashes.
    TerminateProcess(GetCurrentProcess(), 1);
}

ServerOrvella::RifiutoDalFiltro rifiutoDelModulo()
{
    return [](std::chrono::milliseconds durata, ServerOrvella::RispostaFiltro risposta) {
        rispostaOccupato
            = risposta == ServerOrvella::RispostaFiltro::Rifiutata ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
        occupatoFino = std::chrono::steady_clock::now() + durata;
    };
}

void rilasciaModulo()
{
    if (CoReleaseServerProcess() != 0)
        return;
    inChiusura = true;
    ritiraClasse();
    if (!SetTimer(nullptr, 0, kAttesaChiusuraMs, &chiudi))
        PostQuitMessage(0);
}

} // namespace hostserver

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int quanti = 0;
    wchar_t** argomenti = CommandLineToArgvW(GetCommandLineW(), &quanti);
    const wchar_t* opzione = argomenti && quanti > 1 ? argomenti[1] : L"";
    int esito = 2;
    if (hostserver::eOpzione(opzione, L"Embedding"))
        esito = hostserver::servi();
    else if (hostserver::eOpzione(opzione, L"regserver"))
        esito = hostserver::esitoRegistrazione(
            hostserver::registraServer(hostserver::ModoServer::Programma), "registrazione");
    else if (hostserver::eOpzione(opzione, L"unregserver"))
        esito = hostserver::esitoRegistrazione(hostserver::cancellaServer(), "cancellazione");
    else
        std::fputs("Uso: orvella_server /regserver | /unregserver (COM lo avvia con -Embedding)\n", stderr);
    LocalFree(argomenti);
    return esito;
}
