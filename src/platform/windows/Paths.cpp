#include "platform/Paths.h"

#include <shlobj.h>

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
    return std::filesystem::path(largoDa1252(percorso));
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
        char nome[16];
        std::snprintf(nome, sizeof nome, "ov_pip-%08x", static_cast<unsigned>(casuale()));
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

} // namespace platform
