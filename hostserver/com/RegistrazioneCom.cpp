#include "hostserver/com/RegistrazioneCom.h"

#include <olectl.h>

#include <string>
#include <vector>

#include "hostserver/com/ServerCom.h"

namespace hostserver {
namespace {

const std::wstring kProgId = L"Orvella.Server";
const std::wstring kDescrizione = L"Orvella.Server (stand-in)";

std::wstring clsidComeTesto()
{
    wchar_t testo[64] = {};
    StringFromGUID2(kClsidServerOrvella, testo, 64);
    return testo;
}

// The full name of this module, the DLL or the program, wherever it was loaded from.
std::wstring questoModulo()
{
    HMODULE modulo = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&questoModulo), &modulo);
    std::vector<wchar_t> nome(MAX_PATH);
    for (;;) {
        const DWORD lunghezza = GetModuleFileNameW(modulo, nome.data(), static_cast<DWORD>(nome.size()));
        if (lunghezza == 0)
            return {};
        if (lunghezza < nome.size())
            return std::wstring(nome.data(), lunghezza);
        nome.resize(nome.size() * 2);
    }
}

// Writes one text value under HKEY_LOCAL_MACHINE\Software\Classes, creating the key.
LSTATUS scrivi(const std::wstring& chiave, const wchar_t* nome, const std::wstring& valore)
{
    HKEY aperta = nullptr;
    LSTATUS esito = RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + chiave).c_str(), 0, nullptr, 0,
        KEY_SET_VALUE, nullptr, &aperta, nullptr);
    if (esito != ERROR_SUCCESS)
        return esito;
    esito = RegSetValueExW(aperta, nome, 0, REG_SZ, reinterpret_cast<const BYTE*>(valore.c_str()),
        static_cast<DWORD>((valore.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(aperta);
    return esito;
}

LSTATUS cancella(const std::wstring& chiave)
{
    const LSTATUS esito = RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + chiave).c_str());
    return esito == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : esito;
}

} // namespace

// 64-bit Windows keeps the ProgID in one place for both views and the class in each view apart:
// clients of either width find the ProgID, and a program's class in either view.
HRESULT registraServer(ModoServer modo)
{
    const std::wstring modulo = questoModulo();
    if (modulo.empty())
        return SELFREG_E_CLASS;
    const std::wstring clsid = clsidComeTesto();
    const std::wstring classe = L"CLSID\\" + clsid;
    // The last registration names the only server: an older one of the other kind would win
    // (in-process first) or linger.
    LSTATUS esito = cancella(classe);
    const auto scriviSe = [&esito](const std::wstring& chiave, const wchar_t* nome, const std::wstring& valore) {
        if (esito == ERROR_SUCCESS)
            esito = scrivi(chiave, nome, valore);
    };
    scriviSe(kProgId, nullptr, kDescrizione);
    scriviSe(kProgId + L"\\CLSID", nullptr, clsid);
    scriviSe(classe, nullptr, kDescrizione);
    scriviSe(classe + L"\\ProgID", nullptr, kProgId);
    if (modo == ModoServer::Dll) {
        scriviSe(classe + L"\\InprocServer32", nullptr, modulo);
        scriviSe(classe + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    } else {
        // Quoted, for COM to start it from a folder with spaces in its name.
        scriviSe(classe + L"\\LocalServer32", nullptr, L"\"" + modulo + L"\"");
    }
    return HRESULT_FROM_WIN32(esito);
}

HRESULT cancellaServer()
{
    const LSTATUS progId = cancella(kProgId);
    const LSTATUS classe = cancella(L"CLSID\\" + clsidComeTesto());
    return HRESULT_FROM_WIN32(progId != ERROR_SUCCESS ? progId : classe);
}

} // namespace hostserver
