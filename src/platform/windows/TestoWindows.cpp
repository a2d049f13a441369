#include "platform/windows/TestoWindows.h"

#include <cstdio>

#include "tools/Cp1252.h"

namespace platform {

std::wstring testoLargo(std::u16string_view testo)
{
    return std::wstring(testo.begin(), testo.end());
}

std::u16string daTestoLargo(std::wstring_view testo)
{
    return std::u16string(testo.begin(), testo.end());
}

std::wstring largoDa1252(std::string_view testo)
{
    return testoLargo(cp1252ToUtf16(testo));
}

std::string largoA1252(std::wstring_view testo)
{
    return utf16ToCp1252(daTestoLargo(testo));
}

std::u16string codiceSistema(DWORD codice)
{
    char esadecimale[16];
    std::snprintf(esadecimale, sizeof esadecimale, "0x%08lX", static_cast<unsigned long>(codice));
    return cp1252ToUtf16(esadecimale);
}

std::u16string descrizioneSistema(DWORD codice)
{
    wchar_t* testo = nullptr;
    const DWORD lunghezza
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, codice, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
    std::wstring descrizione(testo ? testo : L"", lunghezza);
    LocalFree(testo);
    while (!descrizione.empty() && (descrizione.back() == L'\r' || descrizione.back() == L'\n'))
        descrizione.pop_back();
    if (descrizione.empty())
        return u"Errore " + codiceSistema(codice);
    return daTestoLargo(descrizione);
}

} // namespace platform
