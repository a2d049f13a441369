#include "host/ClassiSistema.h"

#include <windows.h>

#include <optional>
#include <span>

#include "host/BitEseguibile.h"
#include "host/windows/OggettoCom.h"
#include "platform/windows/TestoWindows.h"

namespace host {
namespace {

// A text value of the classes' registry in one view, expanded; nothing when it is not there.
std::optional<std::wstring> valoreClassi(const std::wstring& sottochiave, REGSAM vista)
{
    HKEY chiave = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, sottochiave.c_str(), 0, KEY_READ | vista, &chiave) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring testo(1024, L'\0');
    DWORD byte = static_cast<DWORD>(testo.size() * sizeof(wchar_t));
    DWORD tipo = 0;
    const LSTATUS esito
        = RegQueryValueExW(chiave, nullptr, nullptr, &tipo, reinterpret_cast<BYTE*>(testo.data()), &byte);
    RegCloseKey(chiave);
    if (esito != ERROR_SUCCESS || (tipo != REG_SZ && tipo != REG_EXPAND_SZ))
        return std::nullopt;
    testo.resize(byte / sizeof(wchar_t));
    while (!testo.empty() && testo.back() == L'\0')
        testo.pop_back();
    if (tipo == REG_EXPAND_SZ) {
        wchar_t espanso[MAX_PATH * 2];
        const DWORD n = ExpandEnvironmentStringsW(testo.c_str(), espanso, MAX_PATH * 2);
        if (n > 0 && n <= MAX_PATH * 2)
            testo = espanso;
    }
    return testo;
}

bool esiste(const std::wstring& percorso)
{
    const DWORD attributi = GetFileAttributesW(percorso.c_str());
    return attributi != INVALID_FILE_ATTRIBUTES && !(attributi & FILE_ATTRIBUTE_DIRECTORY);
}

// A server's command line without its arguments: quoted, or up to the first ".exe".
std::wstring programma(const std::wstring& riga)
{
    if (!riga.empty() && riga.front() == L'"') {
        const auto fine = riga.find(L'"', 1);
        return riga.substr(1, fine == std::wstring::npos ? std::wstring::npos : fine - 1);
    }
    if (esiste(riga))
        return riga;
    std::wstring minuscola = riga;
    CharLowerBuffW(minuscola.data(), static_cast<DWORD>(minuscola.size()));
    const auto exe = minuscola.find(L".exe");
    return exe == std::wstring::npos ? riga : riga.substr(0, exe + 4);
}

// 32, 64 (x64 or ARM64) from the file's header; 0 when it is no program or library.
int bitDelFile(const std::wstring& percorso)
{
    HANDLE file = CreateFileW(percorso.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    unsigned char intestazione[4096];
    DWORD letti = 0;
    const BOOL letto = ReadFile(file, intestazione, sizeof intestazione, &letti, nullptr);
    CloseHandle(file);
    return letto ? bitEseguibile(std::span(intestazione, letti)) : 0;
}

std::string a1252(const std::wstring& testo)
{
    return platform::largoA1252(testo);
}

// "C:\...\x.dll (esiste, 32 bit)"
std::string descriviFile(const std::wstring& percorso, int& bit)
{
    bit = 0;
    if (!esiste(percorso))
        return a1252(percorso) + " (il file non esiste)";
    bit = bitDelFile(percorso);
    return a1252(percorso) + " (esiste, " + (bit ? std::to_string(bit) + " bit" : "bit non riconosciuti") + ")";
}

} // namespace

std::unique_ptr<AutomationObject> creaOggettoDiSistema(const std::string& identificatore)
{
    return OggettoCom::crea(identificatore);
}

RegistrazioneClasse leggiRegistrazione(const std::string& identificatore)
{
    RegistrazioneClasse registrazione;
    const std::wstring progId = platform::largoDa1252(identificatore);
    bool inProcesso32 = false;
    bool inProcesso64 = false;
    bool fuoriProcesso = false;
    const std::pair<REGSAM, const char*> viste[]
        = { { KEY_WOW64_32KEY, "vista a 32 bit" }, { KEY_WOW64_64KEY, "vista a 64 bit" } };
    for (const auto& [vista, nomeVista] : viste) {
        const std::string prefisso = std::string(nomeVista) + ": ";
        const std::optional<std::wstring> classe = valoreClassi(progId + L"\\CLSID", vista);
        if (!classe) {
            registrazione.righe.push_back(prefisso + "ProgID " + identificatore + " non registrato");
            continue;
        }
        registrazione.righe.push_back(prefisso + "ProgID " + identificatore + ", classe " + a1252(*classe));
        for (const wchar_t* tipo : { L"InprocServer32", L"LocalServer32" }) {
            const std::string nomeTipo = a1252(tipo);
            const std::optional<std::wstring> server = valoreClassi(L"CLSID\\" + *classe + L"\\" + tipo, vista);
            if (!server || server->empty()) {
                registrazione.righe.push_back(prefisso + nomeTipo + " assente");
                continue;
            }
            const bool locale = std::wstring_view(tipo) == L"LocalServer32";
            const std::wstring percorso = locale ? programma(*server) : *server;
            int bit = 0;
            registrazione.righe.push_back(prefisso + nomeTipo + " " + descriviFile(percorso, bit));
            if (locale) {
                fuoriProcesso = true;
                if (registrazione.programmaServer.empty()) {
                    registrazione.programmaServer = a1252(percorso);
                    registrazione.programmaEsiste = esiste(percorso);
                }
            } else if (bit == 64) {
                inProcesso64 = true;
            } else {
                inProcesso32 = true;
            }
        }
    }
    registrazione.soloInProcesso64 = inProcesso64 && !inProcesso32 && !fuoriProcesso;
    return registrazione;
}

} // namespace host
