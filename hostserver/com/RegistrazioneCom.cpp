#include <windows.h>

#include <olectl.h>

#include <string>
#include <vector>

#include "hostserver/com/ServerCom.h"

namespace {

constexpr const wchar_t* kProgId = L"Orvella.Server";

std::wstring clsidComeTesto()
{
    wchar_t testo[64] = {};
    StringFromGUID2(hostserver::kClsidServerOrvella, testo, 64);
    return testo;
}

// The full name of this DLL, wherever it was loaded from.
std::wstring questaDll()
{
    HMODULE modulo = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&questaDll), &modulo);
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

// Writes one text value under HKEY_CURRENT_USER\Software\Classes, creating the key.
LSTATUS scrivi(const std::wstring& chiave, const wchar_t* nome, const std::wstring& valore)
{
    HKEY aperta = nullptr;
    LSTATUS esito = RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + chiave).c_str(), 0, nullptr, 0,
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
    const LSTATUS esito = RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + chiave).c_str());
    return esito == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : esito;
}

} // namespace

// Registers for the current user only: no administrator rights needed, as for a test machine.
extern "C" HRESULT STDMETHODCALLTYPE DllRegisterServer()
{
    const std::wstring clsid = clsidComeTesto();
    const std::wstring dll = questaDll();
    if (dll.empty())
        return SELFREG_E_CLASS;
    const std::wstring classe = L"CLSID\\" + clsid;
    for (const LSTATUS esito : {
             scrivi(kProgId, nullptr, L"Orvella.Server (stand-in)"),
             scrivi(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid),
             scrivi(classe, nullptr, L"Orvella.Server (stand-in)"),
             scrivi(classe + L"\\ProgID", nullptr, kProgId),
             scrivi(classe + L"\\InprocServer32", nullptr, dll),
             scrivi(classe + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
         }) {
        if (esito != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(esito);
    }
    return S_OK;
}

extern "C" HRESULT STDMETHODCALLTYPE DllUnregisterServer()
{
    const LSTATUS progId = cancella(kProgId);
    const LSTATUS classe = cancella(L"CLSID\\" + clsidComeTesto());
    if (progId != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(progId);
    return HRESULT_FROM_WIN32(classe);
}
