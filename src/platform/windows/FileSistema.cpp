#include "platform/FileSistema.h"

#include <windows.h>

namespace platform {
namespace {

VoceCartella::Tipo tipoVoce(DWORD attributi)
{
    if (attributi & FILE_ATTRIBUTE_REPARSE_POINT)
        return VoceCartella::Tipo::Collegamento;
    return (attributi & FILE_ATTRIBUTE_DIRECTORY) ? VoceCartella::Tipo::Cartella : VoceCartella::Tipo::File;
}

// The folder's entries as the system lists them, for a folder in the file system's form.
std::vector<WIN32_FIND_DATAW> elenca(const std::filesystem::path& cartella)
{
    std::vector<WIN32_FIND_DATAW> voci;
    WIN32_FIND_DATAW dati {};
    const std::wstring modello = cartella.native() + (cartella.native().ends_with(L'\\') ? L"*" : L"\\*");
    const HANDLE ricerca = FindFirstFileExW(
        modello.c_str(), FindExInfoBasic, &dati, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (ricerca == INVALID_HANDLE_VALUE)
        return voci;
    do {
        const std::wstring_view nome = dati.cFileName;
        if (nome != L"." && nome != L"..")
            voci.push_back(dati);
    } while (FindNextFileW(ricerca, &dati));
    FindClose(ricerca);
    return voci;
}

// A link goes as a link: RemoveDirectoryW takes a junction or a folder's symbolic link away
// without entering it, DeleteFileW a file's.
void rimuovi(const std::wstring& nome, DWORD attributi)
{
    if (attributi & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(nome.c_str(), attributi & ~FILE_ATTRIBUTE_READONLY);
    if (attributi & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(nome.c_str());
    else
        DeleteFileW(nome.c_str());
}

} // namespace

bool eCartella(const std::string& percorso)
{
    const DWORD attributi = GetFileAttributesW(percorsoNativo(percorso).c_str());
    return attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::chrono::system_clock::time_point> ultimaScritturaUtc(const std::string& percorso)
{
    WIN32_FILE_ATTRIBUTE_DATA dati {};
    if (!GetFileAttributesExW(percorsoNativo(percorso).c_str(), GetFileExInfoStandard, &dati))
        return std::nullopt;
    // FILETIME counts 100 ns in UTC from 1601-01-01; the C runtime's stat would shift it by
    // today's summer time instead of the file's own.
    constexpr long long kDal1601 = 116444736000000000LL;
    const long long decimi
        = (static_cast<long long>(dati.ftLastWriteTime.dwHighDateTime) << 32) | dati.ftLastWriteTime.dwLowDateTime;
    using namespace std::chrono;
    return system_clock::time_point { duration_cast<system_clock::duration>(
        duration<long long, std::ratio<1, 10000000>> { decimi - kDal1601 }) };
}

std::vector<VoceCartella> vociCartella(const std::string& sDir)
{
    std::vector<VoceCartella> voci;
    for (const WIN32_FIND_DATAW& dati : elenca(percorsoNativo(sDir)))
        voci.push_back({ std::filesystem::path(dati.cFileName), tipoVoce(dati.dwFileAttributes) });
    return voci;
}

void rimuoviAlbero(const std::filesystem::path& cartella)
{
    // The "\\?\" form takes a path as it is: a doubled separator would name nothing.
    std::wstring base = cartella.native();
    while (base.size() > 1 && base.back() == L'\\')
        base.pop_back();
    const DWORD attributi = GetFileAttributesW(base.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES)
        return;
    if ((attributi & FILE_ATTRIBUTE_DIRECTORY) && !(attributi & FILE_ATTRIBUTE_REPARSE_POINT)) {
        for (const WIN32_FIND_DATAW& dati : elenca(base)) {
            const std::wstring nome = base + L"\\" + dati.cFileName;
            if ((dati.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                && !(dati.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                rimuoviAlbero(nome);
            else
                rimuovi(nome, dati.dwFileAttributes);
        }
    }
    rimuovi(base, attributi);
}

} // namespace platform
