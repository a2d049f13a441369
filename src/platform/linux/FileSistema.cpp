#include "platform/FileSistema.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <system_error>

namespace platform {

bool eCartella(const std::string& percorso)
{
    struct stat stato { };
    return ::stat(percorsoNativo(percorso).c_str(), &stato) == 0 && S_ISDIR(stato.st_mode);
}

std::optional<std::chrono::system_clock::time_point> ultimaScritturaUtc(const std::string& percorso)
{
    struct stat stato { };
    if (::stat(percorsoNativo(percorso).c_str(), &stato) != 0)
        return std::nullopt;
    using namespace std::chrono;
    return system_clock::time_point { duration_cast<system_clock::duration>(
        seconds { stato.st_mtim.tv_sec } + nanoseconds { stato.st_mtim.tv_nsec }) };
}

std::vector<VoceCartella> vociCartella(const std::string& sDir)
{
    const std::filesystem::path cartella = percorsoNativo(sDir);
    std::vector<VoceCartella> voci;
    const std::unique_ptr<DIR, int (*)(DIR*)> elenco(::opendir(cartella.c_str()), ::closedir);
    if (!elenco)
        return voci;
    while (const dirent* voce = ::readdir(elenco.get())) {
        const std::string_view nome = voce->d_name;
        if (nome == "." || nome == "..")
            continue;
        struct stat stato { };
        if (::fstatat(::dirfd(elenco.get()), voce->d_name, &stato, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const VoceCartella::Tipo tipo = S_ISLNK(stato.st_mode) ? VoceCartella::Tipo::Collegamento
            : S_ISDIR(stato.st_mode)                           ? VoceCartella::Tipo::Cartella
                                                               : VoceCartella::Tipo::File;
        voci.push_back({ std::filesystem::path(nome), tipo });
    }
    return voci;
}

void rimuoviAlbero(const std::filesystem::path& cartella)
{
    // On Linux std::filesystem removes a symbolic link as a link.
    std::error_code ignorato;
    std::filesystem::remove_all(cartella, ignorato);
}

} // namespace platform
