#include "platform/FileInCoda.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "platform/Paths.h"
#include "tools/Cp1252.h"

namespace platform {
namespace {

// Opens the file for appending; creato tells whether this call made it (O_EXCL: not another
// program in the meantime).
int apriInCoda(const char* nativo, bool& creato)
{
    constexpr int kModo = O_WRONLY | O_APPEND | O_CLOEXEC;
    for (int tentativo = 0; tentativo < 3; ++tentativo) {
        const int fd = ::open(nativo, kModo);
        if (fd >= 0 || errno != ENOENT) {
            creato = false;
            return fd;
        }
        const int nuovo = ::open(nativo, kModo | O_CREAT | O_EXCL, 0666);
        if (nuovo >= 0 || errno != EEXIST) {
            creato = nuovo >= 0;
            return nuovo;
        }
    }
    errno = EEXIST;
    return -1;
}

// The failure's description in the C library's words (its locale's language), in Windows-1252.
std::string descrizione(int errore)
{
    const std::string testo = std::generic_category().message(errore);
    return isValidUtf8(testo) ? utf8ToCp1252(testo) : testo;
}

// Why a write failed, in the doctor's words for the causes a folder meets; the platform's own
// description for the rarer ones.
std::string motivo(int errore)
{
    switch (errore) {
    case ENOENT:
        return "la cartella non esiste";
    case ENOTDIR:
        return "una parte del percorso non \xE8 una cartella";
    case EACCES:
    case EPERM:
        return "accesso negato";
    case EROFS:
        return "il disco \xE8 di sola lettura";
    case ENOSPC:
        return "spazio su disco esaurito";
#ifdef EDQUOT
    case EDQUOT:
        return "spazio su disco esaurito (quota dell'utente)";
#endif
    case EFBIG:
        return "il file ha raggiunto la dimensione massima";
    case EISDIR:
        return "al suo posto c'\xE8 una cartella";
    case ENAMETOOLONG:
        return "percorso troppo lungo";
    case EIO:
        return "errore del disco";
    default:
        return descrizione(errore);
    }
}

} // namespace

struct FileInCoda::Stato {
    std::filesystem::path nativo;
    int fd;
    bool creato; // by this object
};

void FileInCoda::Chiusura::operator()(Stato* stato) const
{
    if (stato->fd >= 0)
        ::close(stato->fd);
    delete stato;
}

std::optional<std::string> FileInCoda::apri(const std::string& percorso)
{
    stato_.reset();
    std::filesystem::path nativo = percorsoNativo(percorso);
    bool creato = false;
    const int fd = apriInCoda(nativo.c_str(), creato);
    if (fd < 0)
        return motivo(errno);
    stato_.reset(new Stato { std::move(nativo), fd, creato });
    return std::nullopt;
}

std::optional<std::string> FileInCoda::accoda(std::string_view testo)
{
    if (!stato_)
        return motivo(EBADF);
    const int fd = stato_->fd;
    ssize_t scritti = 0;
    do
        scritti = ::write(fd, testo.data(), testo.size());
    while (scritti < 0 && errno == EINTR);
    if (scritti == static_cast<ssize_t>(testo.size()))
        return std::nullopt;

    int errore = errno;
    if (scritti >= 0) {
        // Cut short: the system says why at the next write. The record comes out again either way.
        const off_t inizio = ::lseek(fd, 0, SEEK_CUR) - scritti;
        const ssize_t resto = ::write(fd, testo.data() + scritti, testo.size() - static_cast<std::size_t>(scritti));
        errore = resto < 0 ? errno : EIO;
        (void)::ftruncate(fd, inizio);
    }
    struct stat stato { };
    if (stato_->creato && ::fstat(fd, &stato) == 0 && stato.st_size == 0) {
        (void)::unlink(stato_->nativo.c_str());
        stato_.reset();
    }
    return motivo(errore);
}

std::optional<std::string> FileInCoda::chiudi()
{
    if (!stato_)
        return std::nullopt;
    const int fd = std::exchange(stato_->fd, -1);
    stato_.reset();
    // A file removed from its folder (with the folder, say) took the records with it; Windows
    // keeps an open file in place instead. Asked here, not before each record: on recent Linux a
    // query of the file's times makes the next write store them anew, which doubled its cost.
    struct stat stato { };
    const bool eliminato = ::fstat(fd, &stato) == 0 && stato.st_nlink == 0;
    if (::close(fd) != 0)
        return motivo(errno);
    if (eliminato)
        return "il file \xE8 stato eliminato durante l'esportazione";
    return std::nullopt;
}

std::optional<std::string> eliminaFile(const std::string& percorso)
{
    if (::unlink(percorsoNativo(percorso).c_str()) != 0)
        return motivo(errno);
    return std::nullopt;
}

} // namespace platform
