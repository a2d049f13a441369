#include "platform/Paths.h"

#include <shlobj.h>

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

std::string cartellaDesktop()
{
    wchar_t* cartella = nullptr;
    const HRESULT esito = SHGetKnownFolderPath(FOLDERID_Desktop, KF_FLAG_DEFAULT, nullptr, &cartella);
    std::wstring desktop = SUCCEEDED(esito) && cartella ? cartella : L"";
    CoTaskMemFree(cartella);
    while (!desktop.empty() && desktop.back() == L'\\')
        desktop.pop_back();
    return largoA1252(desktop);
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
