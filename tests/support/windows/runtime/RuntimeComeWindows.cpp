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
#include <cwchar>
#include <iterator>
#include <sys/stat.h>

namespace {

using Chiamata = void*;

// The original of each call replaced, by its place in kSostituti.
Chiamata originali[32];

bool conInterrogativo(const char* percorso)
{
    return percorso != nullptr && std::strchr(percorso, '?') != nullptr;
}

bool conInterrogativo(const wchar_t* percorso)
{
    return percorso != nullptr && std::wcschr(percorso, L'?') != nullptr;
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

#define OV_RIFIUTA(N, nome, Ritorno, Carattere)                                                                        \
    {                                                                                                                  \
        nome, reinterpret_cast<Chiamata>(&rifiuta<N, Ritorno, Carattere>)                                              \
    }
const Sostituto kSostituti[] = {
    { "_wstat64", reinterpret_cast<Chiamata>(&stat64ComeWindows<0>) },
    OV_RIFIUTA(1, "_wstat", int, wchar_t),
    OV_RIFIUTA(2, "_wstat32", int, wchar_t),
    OV_RIFIUTA(3, "_wstati64", int, wchar_t),
    OV_RIFIUTA(4, "_wstat32i64", int, wchar_t),
    OV_RIFIUTA(5, "_wstat64i32", int, wchar_t),
    OV_RIFIUTA(6, "_wfindfirst", std::intptr_t, wchar_t),
    OV_RIFIUTA(7, "_wfindfirst32", std::intptr_t, wchar_t),
    OV_RIFIUTA(8, "_wfindfirst64", std::intptr_t, wchar_t),
    OV_RIFIUTA(9, "_wfindfirsti64", std::intptr_t, wchar_t),
    OV_RIFIUTA(10, "_wfindfirst32i64", std::intptr_t, wchar_t),
    OV_RIFIUTA(11, "_wfindfirst64i32", std::intptr_t, wchar_t),
    OV_RIFIUTA(12, "_stat", int, char),
    OV_RIFIUTA(13, "_stat32", int, char),
    OV_RIFIUTA(14, "_stat64", int, char),
    OV_RIFIUTA(15, "_stati64", int, char),
    OV_RIFIUTA(16, "_stat32i64", int, char),
    OV_RIFIUTA(17, "_stat64i32", int, char),
    OV_RIFIUTA(18, "_findfirst", std::intptr_t, char),
    OV_RIFIUTA(19, "_findfirst32", std::intptr_t, char),
    OV_RIFIUTA(20, "_findfirst64", std::intptr_t, char),
    OV_RIFIUTA(21, "_findfirsti64", std::intptr_t, char),
    OV_RIFIUTA(22, "_findfirst32i64", std::intptr_t, char),
    OV_RIFIUTA(23, "_findfirst64i32", std::intptr_t, char),
};
#undef OV_RIFIUTA

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
