#include "host/windows/OggettoCom.h"

#include "host/windows/FiltroMessaggi.h"
#include "host/windows/VariantCom.h"
#include "platform/windows/TestoWindows.h"
#include "tools/Cp1252.h"

namespace host {
namespace {

// A call that an out-of-process server rejects while it is busy (a dialog open in it) comes back
// to the caller at once, as RPC_E_SERVERCALL_RETRYLATER or RPC_E_CALL_REJECTED: the session waits
// and makes it again in its own loop, where the window repaints, answers and says that it waits.
// Retried inside COM instead, the window would take no input and say nothing for the whole wait.
class FiltroMessaggi final : public FiltroMessaggiPermanente {
public:
    // RetryRejectedCall's answer that ends COM's retrying and hands the rejection to the caller.
    static constexpr DWORD kRestituisciAlChiamante = static_cast<DWORD>(-1);

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return kRestituisciAlChiamante; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        // The window repaints meanwhile; no input reaches it in the middle of a host call.
        return PENDINGMSG_WAITDEFPROCESS;
    }
};

// COM for the calling thread, from its first use to the thread's end, with the message filter. A
// thread that someone else has already initialised (the window layer does so for its own) keeps
// its apartment.
class ComDelThread {
public:
    ComDelThread()
        : iniziato_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
    {
        static FiltroMessaggi filtro;
        // Only a single-threaded apartment takes a filter; elsewhere COM refuses it, harmlessly.
        filtrato_ = SUCCEEDED(CoRegisterMessageFilter(&filtro, &precedente_));
    }
    ~ComDelThread()
    {
        if (filtrato_)
            CoRegisterMessageFilter(precedente_, nullptr);
        if (iniziato_)
            CoUninitialize();
    }
    ComDelThread(const ComDelThread&) = delete;
    ComDelThread& operator=(const ComDelThread&) = delete;

private:
    bool iniziato_;
    bool filtrato_ = false;
    IMessageFilter* precedente_ = nullptr;
};

void inizializzaCom()
{
    thread_local ComDelThread com;
}

std::u16string descrizione(HRESULT esito)
{
    return platform::descrizioneSistema(static_cast<DWORD>(esito));
}

// The text with the failure's code beside it, as a technician looks it up: "... (0x80040154)".
std::u16string conCodice(std::u16string testo, HRESULT esito)
{
    const std::u16string codice = platform::codiceSistema(static_cast<DWORD>(esito));
    if (testo.find(codice) == std::u16string::npos)
        testo += u" (" + codice + u")";
    return testo;
}

// The text a failing server left for this thread (IErrorInfo), or the empty text.
std::u16string erroreDelServer()
{
    IErrorInfo* informazione = nullptr;
    if (GetErrorInfo(0, &informazione) != S_OK || !informazione)
        return {};
    BSTR testo = nullptr;
    informazione->GetDescription(&testo);
    informazione->Release();
    std::u16string descrizione
        = testo ? std::u16string(reinterpret_cast<const char16_t*>(testo), SysStringLen(testo)) : u"";
    SysFreeString(testo);
    return descrizione;
}

// The server's own account of a DISP_E_EXCEPTION, or the system's text for its code.
std::u16string testoEccezione(EXCEPINFO& eccezione)
{
    if (eccezione.pfnDeferredFillIn)
        eccezione.pfnDeferredFillIn(&eccezione);
    std::u16string testo = eccezione.bstrDescription
        ? std::u16string(
            reinterpret_cast<const char16_t*>(eccezione.bstrDescription), SysStringLen(eccezione.bstrDescription))
        : u"";
    SysFreeString(eccezione.bstrSource);
    SysFreeString(eccezione.bstrDescription);
    SysFreeString(eccezione.bstrHelpFile);
    if (testo.empty())
        testo = descrizione(eccezione.scode ? eccezione.scode : DISP_E_EXCEPTION);
    return testo;
}

} // namespace

std::unique_ptr<OggettoCom> OggettoCom::crea(const std::string& identificatore)
{
    inizializzaCom();
    const std::u16string progId = utf8ToUtf16(identificatore);
    CLSID classe {};
    HRESULT esito = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId.c_str()), &classe);
    if (FAILED(esito))
        throw AutomationError(conCodice(descrizione(esito), esito) + u": " + progId, static_cast<DWORD>(esito));
    IDispatch* dispatch = nullptr;
    esito = CoCreateInstance(classe, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(esito)) {
        const std::u16string delServer = erroreDelServer();
        throw AutomationError(
            delServer.empty() ? conCodice(descrizione(esito), esito) + u": " + progId : conCodice(delServer, esito),
            static_cast<DWORD>(esito));
    }
    return std::unique_ptr<OggettoCom>(new OggettoCom(dispatch));
}

OggettoCom::OggettoCom(IDispatch* dispatch)
    : dispatch_(dispatch)
{
}

OggettoCom::~OggettoCom()
{
    dispatch_->Release();
}

Variant OggettoCom::invoke(std::string_view metodo, const Arguments& argomenti)
{
    std::u16string nome = utf8ToUtf16(metodo);
    LPOLESTR nomi[] = { reinterpret_cast<LPOLESTR>(nome.data()) };
    DISPID membro = DISPID_UNKNOWN;
    HRESULT esito = dispatch_->GetIDsOfNames(IID_NULL, nomi, 1, LOCALE_USER_DEFAULT, &membro);
    if (FAILED(esito))
        throw AutomationError(descrizione(esito) + u": " + nome, static_cast<DWORD>(esito));

    ArgomentiCom parametri(argomenti);
    VariantCom risultato;
    EXCEPINFO eccezione {};
    UINT argomentoErrato = 0;
    esito = dispatch_->Invoke(membro, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
        parametri.parametri(), risultato.get(), &eccezione, &argomentoErrato);
    if (esito == DISP_E_EXCEPTION) {
        // A server may say with its code that it is busy or closing; the fill-in may set it. A
        // server that gives none (or only a code of its own, wCode) failed for its own reasons.
        std::u16string testo = testoEccezione(eccezione);
        throw AutomationError(
            std::move(testo), static_cast<DWORD>(eccezione.scode ? eccezione.scode : DISP_E_EXCEPTION));
    }
    if (FAILED(esito))
        throw AutomationError(descrizione(esito) + u": " + nome, static_cast<DWORD>(esito));
    return daVariantCom(*risultato);
}

} // namespace host
