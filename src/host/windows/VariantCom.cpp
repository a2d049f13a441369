#include "host/windows/VariantCom.h"

#include <new>
#include <utility>

#include "platform/windows/TestoWindows.h"

namespace host {
namespace {

BSTR nuovaBstr(const std::u16string& testo)
{
    BSTR copia = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(testo.data()), static_cast<UINT>(testo.size()));
    if (!copia)
        throw std::bad_alloc();
    return copia;
}

std::u16string testoBstr(BSTR testo)
{
    return testo ? std::u16string(reinterpret_cast<const char16_t*>(testo), SysStringLen(testo)) : std::u16string();
}

template <typename Intero> Variant intero(Intero numero)
{
    // Beyond 32 bits: the decimal text, which is what a text conversion of it would give.
    if (!std::in_range<std::int32_t>(numero))
        return platform::daTestoLargo(std::to_wstring(numero));
    return static_cast<std::int32_t>(numero);
}

} // namespace

Variant daVariantCom(const VARIANT& valore)
{
    VariantCom diretto;
    if (V_VT(&valore) & VT_BYREF) {
        const HRESULT esito = VariantCopyInd(diretto.get(), const_cast<VARIANT*>(&valore));
        if (FAILED(esito))
            throw AutomationError(platform::descrizioneSistema(static_cast<DWORD>(esito)), static_cast<DWORD>(esito));
        return daVariantCom(*diretto);
    }
    switch (V_VT(&valore)) {
    case VT_EMPTY:
        return {};
    case VT_ERROR:
        if (V_ERROR(&valore) == DISP_E_PARAMNOTFOUND)
            return {};
        break;
    case VT_NULL:
        return Null {};
    case VT_BSTR:
        return testoBstr(V_BSTR(&valore));
    case VT_BOOL:
        return V_BOOL(&valore) != VARIANT_FALSE;
    case VT_I1:
        return intero(static_cast<signed char>(V_I1(&valore)));
    case VT_UI1:
        return intero(V_UI1(&valore));
    case VT_I2:
        return intero(V_I2(&valore));
    case VT_UI2:
        return intero(V_UI2(&valore));
    case VT_I4:
        return intero(V_I4(&valore));
    case VT_UI4:
        return intero(V_UI4(&valore));
    case VT_INT:
        return intero(V_INT(&valore));
    case VT_UINT:
        return intero(V_UINT(&valore));
    case VT_I8:
        return intero(V_I8(&valore));
    case VT_UI8:
        return intero(V_UI8(&valore));
    default:
        break;
    }
    VariantCom testo;
    const HRESULT esito = VariantChangeType(testo.get(), const_cast<VARIANT*>(&valore), 0, VT_BSTR);
    if (FAILED(esito))
        throw AutomationError(platform::descrizioneSistema(static_cast<DWORD>(esito)), static_cast<DWORD>(esito));
    return testoBstr(V_BSTR(testo.get()));
}

void inVariantCom(const Variant& valore, VARIANT& uscita)
{
    VariantInit(&uscita);
    if (std::holds_alternative<Null>(valore)) {
        V_VT(&uscita) = VT_NULL;
    } else if (const auto* testo = std::get_if<std::u16string>(&valore)) {
        V_BSTR(&uscita) = nuovaBstr(*testo);
        V_VT(&uscita) = VT_BSTR;
    } else if (const auto* numero = std::get_if<std::int32_t>(&valore)) {
        V_VT(&uscita) = VT_I4;
        V_I4(&uscita) = *numero;
    } else if (const auto* booleano = std::get_if<bool>(&valore)) {
        V_VT(&uscita) = VT_BOOL;
        V_BOOL(&uscita) = *booleano ? VARIANT_TRUE : VARIANT_FALSE;
    }
}

ArgomentiCom::ArgomentiCom(const Arguments& argomenti)
    : valori_(argomenti.size())
    , testi_(std::make_unique<BSTR[]>(argomenti.size()))
{
    try {
        for (std::size_t i = 0; i < argomenti.size(); ++i) {
            const Variant& argomento = argomenti[argomenti.size() - 1 - i];
            VARIANT& valore = valori_[i];
            if (std::holds_alternative<std::monostate>(argomento)) {
                VariantInit(&valore);
                V_VT(&valore) = VT_ERROR;
                V_ERROR(&valore) = DISP_E_PARAMNOTFOUND;
            } else if (const auto* testo = std::get_if<std::u16string>(&argomento)) {
                BSTR& copia = testi_[quantiTesti_];
                copia = nuovaBstr(*testo);
                ++quantiTesti_;
                VariantInit(&valore);
                V_VT(&valore) = VT_BSTR | VT_BYREF;
                V_BSTRREF(&valore) = &copia;
            } else {
                inVariantCom(argomento, valore);
            }
        }
    } catch (...) {
        for (std::size_t i = 0; i < quantiTesti_; ++i)
            SysFreeString(testi_[i]);
        throw;
    }
    parametri_.rgvarg = valori_.data();
    parametri_.cArgs = static_cast<UINT>(valori_.size());
}

ArgomentiCom::~ArgomentiCom()
{
    // The VARIANTs hold no copies of their own: the texts they point to go here.
    for (std::size_t i = 0; i < quantiTesti_; ++i)
        SysFreeString(testi_[i]);
}

} // namespace host
