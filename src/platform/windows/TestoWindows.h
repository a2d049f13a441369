#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Where the program's texts meet the Windows API's wide texts (UTF-16 in wchar_t).
namespace platform {

std::wstring testoLargo(std::u16string_view testo);
std::u16string daTestoLargo(std::wstring_view testo);
std::wstring largoDa1252(std::string_view testo);
std::string largoA1252(std::wstring_view testo);

// A Win32 error code or an HRESULT as a technician looks it up: "0x80040154".
std::u16string codiceSistema(DWORD codice);

// The system's description of a Win32 error code or an HRESULT, without its line end;
// "Errore 0x…" when the system has none.
std::u16string descrizioneSistema(DWORD codice);

} // namespace platform
