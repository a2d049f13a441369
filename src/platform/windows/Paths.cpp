#include "platform/Paths.h"
#include "platform/FileSistema.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include "platform/windows/TestoWindows.h"
#include "tools/Cp1252.h"

namespace platform {

const char separatore = '\\';

std::filesystem::path percorsoNativo(const std::string& percorso)
{
    std::wstring nome = largoDa1252(percorso);
    // Past MAX_PATH, less the room a folder keeps for its files' names, only the "\\?\" form of a
    // full path reaches the file where long paths are not enabled for the whole system.
    constexpr std::size_t kLunghezzaSicura = MAX_PATH - 12;
    if (nome.size() < kLunghezzaSicura || nome.starts_with(L"\\\\?\\") || nome.starts_with(L"\\\\.\\"))
        return std::filesystem::path(std::move(nome));
    std::replace(nome.begin(), nome.end(), L'/', L'\\');
    if (nome.size() > 2 && nome[1] == L':' && nome[2] == L'\\')
        return std::filesystem::path(L"\\\\?\\" + nome);
    if (nome.starts_with(L"\\\\"))
        return std::filesystem::path(L"\\\\?\\UNC\\" + nome.substr(2));
    return std::filesystem::path(std::move(nome));
}

bool esiste(const std::string& percorso)
{
    // The C runtime's stat refuses the "\\?\" form of a long path; Windows itself takes it.
    return GetFileAttributesW(percorsoNativo(percorso).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::filesystem::path percorsoDaUtf8(std::string_view percorso)
{
    return std::filesystem::path(testoLargo(utf8ToUtf16(percorso)));
}

std::string percorsoUtf8(const std::filesystem::path& percorso)
{
    return utf16ToUtf8(daTestoLargo(percorso.native()));
}

std::FILE* apriFile(const std::filesystem::path& percorso, const char* modo)
{
    return _wfopen(percorso.c_str(), largoDa1252(modo).c_str());
}

namespace {

// The platform's path as Windows-1252 text, and whether that text names the same path.
CartellaPiattaforma in1252(const std::wstring& percorso)
{
    std::string testo = largoA1252(percorso);
    const bool rappresentabile = largoDa1252(testo) == percorso;
    return { std::move(testo), rappresentabile };
}

} // namespace

CartellaPiattaforma cartellaDesktop()
{
    wchar_t* cartella = nullptr;
    const HRESULT esito = SHGetKnownFolderPath(FOLDERID_Desktop, KF_FLAG_DEFAULT, nullptr, &cartella);
    std::wstring desktop = SUCCEEDED(esito) && cartella ? cartella : L"";
    CoTaskMemFree(cartella);
    while (!desktop.empty() && desktop.back() == L'\\')
        desktop.pop_back();
    return in1252(desktop);
}

std::string cartellaTemporanea()
{
    std::vector<wchar_t> nome(MAX_PATH + 1);
    const DWORD lunghezza = GetTempPathW(static_cast<DWORD>(nome.size()), nome.data());
    if (lunghezza == 0 || lunghezza >= nome.size())
        return {};
    const CartellaPiattaforma temporanea = in1252(std::wstring(nome.data(), lunghezza));
    if (!temporanea.rappresentabile || temporanea.percorso.empty())
        return {};
    return temporanea.percorso.back() == separatore ? temporanea.percorso : temporanea.percorso + separatore;
}

std::string percorsoCopiaEstratto(const std::string&)
{
    return "C:\\karv.xml";
}

std::string creaCartellaPrivata(const std::string& sDirBase)
{
    // The user's temporary folder is already closed to other users; a name nobody made before
    // keeps a folder planted in advance from being taken for this one.
    std::random_device casuale;
    for (int tentativo = 0; tentativo < 100; ++tentativo) {
        char nome[40];
        std::snprintf(nome, sizeof nome, "ov_pip-%lu-%08x", processoCorrente(), static_cast<unsigned>(casuale()));
        const std::string cartella = sDirBase + nome;
        if (CreateDirectoryW(largoDa1252(cartella).c_str(), nullptr))
            return cartella + separatore;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

std::string cartellaProgramma()
{
    std::vector<wchar_t> nome(MAX_PATH);
    for (;;) {
        const DWORD lunghezza = GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size()));
        if (lunghezza == 0)
            return {};
        if (lunghezza < nome.size()) {
            std::wstring programma(nome.data(), lunghezza);
            programma.erase(programma.find_last_of(L'\\') + 1);
            return largoA1252(programma);
        }
        nome.resize(nome.size() * 2);
    }
}

unsigned long processoCorrente()
{
    return GetCurrentProcessId();
}

bool cartellaPrivataAbbandonata(const std::filesystem::path& cartella, unsigned long processo)
{
    // The user's temporary folder is this user's alone.
    const HANDLE programma = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processo);
    if (programma == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    DWORD uscita = 0;
    FILETIME inizio {};
    FILETIME fine {};
    FILETIME kernel {};
    FILETIME utente {};
    WIN32_FILE_ATTRIBUTE_DATA dati {};
    // Windows gives a dead program's id to the next ones soon: a program started after the folder
    // was made is not the one that made it.
    const bool abbandonata = (GetExitCodeProcess(programma, &uscita) && uscita != STILL_ACTIVE)
        || (GetProcessTimes(programma, &inizio, &fine, &kernel, &utente)
            && GetFileAttributesExW(cartella.c_str(), GetFileExInfoStandard, &dati)
            && CompareFileTime(&inizio, &dati.ftCreationTime) > 0);
    CloseHandle(programma);
    return abbandonata;
}

} // namespace platform
