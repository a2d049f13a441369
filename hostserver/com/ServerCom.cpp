#include "hostserver/com/ServerCom.h"

#include <algorithm>

#include "host/GuastoHost.h"
#include "host/windows/VariantCom.h"
#include "tools/Cp1252.h"

namespace hostserver {
namespace {

BSTR copiaBstr(const std::u16string& testo)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(testo.data()), static_cast<UINT>(testo.size()));
}

} // namespace

ServerCom::ServerCom(std::unique_ptr<ServerOrvella> server)
    : server_(std::move(server))
{
    // Made only while the factory holds the module, which therefore takes it.
    trattieniModulo();
    if (ServerOrvella::RifiutoDalFiltro rifiuto = rifiutoDelModulo())
        server_->rifiutaDalFiltro(std::move(rifiuto));
}

ServerCom::~ServerCom()
{
    rilasciaModulo();
}

HRESULT STDMETHODCALLTYPE ServerCom::QueryInterface(REFIID interfaccia, void** oggetto)
{
    if (!oggetto)
        return E_POINTER;
    if (IsEqualIID(interfaccia, IID_IUnknown) || IsEqualIID(interfaccia, IID_IDispatch)) {
        *oggetto = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *oggetto = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ServerCom::AddRef()
{
    return ++riferimenti_;
}

ULONG STDMETHODCALLTYPE ServerCom::Release()
{
    const ULONG rimasti = --riferimenti_;
    if (rimasti == 0)
        delete this;
    return rimasti;
}

HRESULT STDMETHODCALLTYPE ServerCom::GetTypeInfoCount(UINT* quanti)
{
    if (!quanti)
        return E_POINTER;
    *quanti = 0; // late binding only, as the host's server is driven
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ServerCom::GetTypeInfo(UINT, LCID, ITypeInfo** informazione)
{
    if (informazione)
        *informazione = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE ServerCom::GetIDsOfNames(REFIID, LPOLESTR* nomi, UINT quanti, LCID, DISPID* membri)
{
    if (!nomi || !membri)
        return E_POINTER;
    HRESULT esito = S_OK;
    for (UINT i = 0; i < quanti; ++i) {
        const std::string nome = utf16ToUtf8(reinterpret_cast<const char16_t*>(nomi[i]));
        // Named arguments are not offered: only the member name (the first) can be known.
        const std::string_view metodo = i == 0 ? ServerOrvella::nomeMetodo(nome) : std::string_view();
        if (metodo.empty()) {
            membri[i] = DISPID_UNKNOWN;
            esito = DISP_E_UNKNOWNNAME;
            continue;
        }
        auto trovato = std::find(metodi_.begin(), metodi_.end(), metodo);
        if (trovato == metodi_.end())
            trovato = metodi_.insert(metodi_.end(), std::string(metodo));
        membri[i] = static_cast<DISPID>(trovato - metodi_.begin()) + 1;
        try {
            server_->annunciaChiamata(metodo);
        } catch (...) {
            // A fault table it cannot read leaves the server as it was; the call itself will say why.
        }
    }
    return esito;
}

HRESULT STDMETHODCALLTYPE ServerCom::Invoke(DISPID membro, REFIID, LCID, WORD tipo, DISPPARAMS* parametri,
    VARIANT* risultato, EXCEPINFO* eccezione, UINT* argomentoErrato)
{
    if (membro < 1 || static_cast<std::size_t>(membro) > metodi_.size())
        return DISP_E_MEMBERNOTFOUND;
    if (!(tipo & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
        return DISP_E_MEMBERNOTFOUND;
    if (parametri && parametri->cNamedArgs > 0)
        return DISP_E_NONAMEDARGS;

    host::Arguments argomenti;
    const UINT quanti = parametri ? parametri->cArgs : 0;
    for (UINT i = 0; i < quanti; ++i) {
        // The last argument comes first.
        try {
            argomenti.push_back(host::daVariantCom(parametri->rgvarg[quanti - 1 - i]));
        } catch (const host::AutomationError&) {
            if (argomentoErrato)
                *argomentoErrato = quanti - 1 - i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    try {
        const host::Variant esito = server_->invoke(metodi_[static_cast<std::size_t>(membro) - 1], argomenti);
        if (risultato)
            host::inVariantCom(esito, *risultato);
        return S_OK;
    } catch (const host::AutomationError& errore) {
        if (errore.codice() == host::kServerNonDisponibile)
            serverAndatoVia();
        if (errore.codice() != 0)
            return static_cast<HRESULT>(errore.codice());
        if (eccezione) {
            *eccezione = EXCEPINFO {};
            eccezione->bstrSource = copiaBstr(u"Orvella.Server");
            eccezione->bstrDescription = copiaBstr(errore.messaggio());
            eccezione->scode = E_FAIL;
        }
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace hostserver
