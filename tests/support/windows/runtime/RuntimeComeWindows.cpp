// The C runtime's path calls as Windows has them, in every Windows test program. MinGW programs
// use msvcrt.dll, whose stat and findfirst calls refuse any path that holds "?" on Windows, and
// so the "\\?\" form of a long path, and whose stat gives a file's time shifted by today's summer
// time rather than the file's own; Wine's msvcrt does neither. Before main, the program's imports
// of those calls, and libstdc++'s (std::filesystem goes through them), are pointed at stand-ins
// that do what Windows does.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <sys/stat.h>

namespace {

using Chiamata = void*;

// The original of each call replaced, by its place in kSostituti.
Chiamata originali[5];

template <typename Carattere> bool conInterrogativo(const Carattere* percorso)
{
    for (; percorso != nullptr && *percorso != 0; ++percorso)
        if (*percorso == '?')
            return true;
    return false;
}

template <int N, typename Ritorno, typename Carattere> Ritorno __cdecl rifiuta(const Carattere* percorso, void* dati)
{
    if (conInterrogativo(percorso)) {
        errno = ENOENT;
        return -1;
    }
    return reinterpret_cast<Ritorno(__cdecl*)(const Carattere*, void*)>(originali[N])(percorso, dati);
}

// How far local time is ahead of UTC at the instant, in seconds, by the rules of the user's zone.
long long scartoLocale(long long secondiUtc)
{
    const long long decimi = (secondiUtc + 11644473600LL) * 10000000LL;
    const FILETIME utc { static_cast<DWORD>(decimi), static_cast<DWORD>(decimi >> 32) };
    SYSTEMTIME sistemaUtc {};
    SYSTEMTIME sistemaLocale {};
    FILETIME locale {};
    if (!FileTimeToSystemTime(&utc, &sistemaUtc)
        || !SystemTimeToTzSpecificLocalTime(nullptr, &sistemaUtc, &sistemaLocale)
        || !SystemTimeToFileTime(&sistemaLocale, &locale))
        return 0;
    const long long decimiLocali = (static_cast<long long>(locale.dwHighDateTime) << 32) | locale.dwLowDateTime;
    return (decimiLocali - decimi) / 10000000LL;
}

// msvcrt's stat turns the file's UTC time into local time with today's offset, then back with
// the offset of the file's own date.
long long comeMsvcrt(long long secondiUtc)
{
    FILETIME ora {};
    GetSystemTimeAsFileTime(&ora);
    const long long adesso
        = ((static_cast<long long>(ora.dwHighDateTime) << 32) | ora.dwLowDateTime) / 10000000LL - 11644473600LL;
    return secondiUtc + scartoLocale(adesso) - scartoLocale(secondiUtc);
}

template <int N> int __cdecl stat64ComeWindows(const wchar_t* percorso, struct _stat64* dati)
{
    const int esito = rifiuta<N, int, wchar_t>(percorso, dati);
    if (esito == 0) {
        dati->st_mtime = comeMsvcrt(dati->st_mtime);
        dati->st_atime = comeMsvcrt(dati->st_atime);
        dati->st_ctime = comeMsvcrt(dati->st_ctime);
    }
    return esito;
}

struct Sostituto {
    const char* nome;
    Chiamata chiamata;
};

// The calls that the test programs and libstdc++ import (objdump -p).
const Sostituto kSostituti[] = {
    { "_wstat64", reinterpret_cast<Chiamata>(&stat64ComeWindows<0>) },
    { "_wstat", reinterpret_cast<Chiamata>(&rifiuta<1, int, wchar_t>) },
    { "_wfindfirst", reinterpret_cast<Chiamata>(&rifiuta<2, std::intptr_t, wchar_t>) },
    { "_stat", reinterpret_cast<Chiamata>(&rifiuta<3, int, char>) },
    { "_stati64", reinterpret_cast<Chiamata>(&rifiuta<4, int, char>) },
};

// Points the module's imports of msvcrt.dll's calls in kSostituti at the stand-ins.
void sostituisci(HMODULE modulo)
{
    if (modulo == nullptr)
        return;
    auto* base = reinterpret_cast<BYTE*>(modulo);
    const auto* intestazione
        = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& importazioni = intestazione->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (importazioni.VirtualAddress == 0)
        return;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importazioni.VirtualAddress); dll->Name;
         ++dll) {
        if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "msvcrt.dll") != 0)
            continue;
        auto* nomi = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk));
        auto* indirizzi = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; nomi->u1.AddressOfData; ++nomi, ++indirizzi) {
            if (IMAGE_SNAP_BY_ORDINAL(nomi->u1.Ordinal))
                continue;
            const char* nome = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + nomi->u1.AddressOfData)->Name;
            for (std::size_t i = 0; i < std::size(kSostituti); ++i) {
                if (std::strcmp(nome, kSostituti[i].nome) != 0)
                    continue;
                DWORD protezione = 0;
                if (!VirtualProtect(
                        &indirizzi->u1.Function, sizeof indirizzi->u1.Function, PAGE_READWRITE, &protezione))
                    continue;
                originali[i] = reinterpret_cast<Chiamata>(indirizzi->u1.Function);
                indirizzi->u1.Function = reinterpret_cast<decltype(indirizzi->u1.Function)>(kSostituti[i].chiamata);
                VirtualProtect(&indirizzi->u1.Function, sizeof indirizzi->u1.Function, protezione, &protezione);
            }
        }
    }
}

const bool installato = [] {
    sostituisci(GetModuleHandleW(nullptr));
    sostituisci(GetModuleHandleW(L"libstdc++-6.dll"));
    return true;
}();

} // namespace
