#include "platform/FileInCoda.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/FileInCodaInterno.h"
#include "platform/FileSistema.h"
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

// A write cut short that the system gave no reason for: a full disk where it is one.
int motivoScritturaCorta(int fd)
{
    struct statvfs disco { };
    if (::fstatvfs(fd, &disco) == 0 && disco.f_bavail == 0)
        return ENOSPC;
    return EIO;
}

// Writes the whole text, however many calls the system takes; false with errno set when it stops.
bool scriviTutto(int fd, const char* dati, std::size_t quanti)
{
    while (quanti > 0) {
        const ssize_t scritti = ::write(fd, dati, quanti);
        if (scritti < 0 && errno == EINTR)
            continue;
        if (scritti <= 0) {
            if (scritti == 0)
                errno = motivoScritturaCorta(fd);
            return false;
        }
        dati += scritti;
        quanti -= static_cast<std::size_t>(scritti);
    }
    return true;
}

// Why the copy is not the original byte for byte; 0 when it is. Both are read from the start.
int confrontaCopia(int originale, int copia)
{
    struct stat statoOriginale { };
    struct stat statoCopia { };
    if (::fstat(originale, &statoOriginale) != 0 || ::fstat(copia, &statoCopia) != 0)
        return errno;
    if (statoCopia.st_size < statoOriginale.st_size)
        return motivoScritturaCorta(copia);
    if (statoCopia.st_size != statoOriginale.st_size)
        return EIO;
    std::vector<char> blocco(64 * 1024);
    std::vector<char> bloccoCopia(blocco.size());
    for (off_t posizione = 0;;) {
        const ssize_t letti = ::pread(originale, blocco.data(), blocco.size(), posizione);
        const ssize_t lettiCopia = ::pread(copia, bloccoCopia.data(), bloccoCopia.size(), posizione);
        if (letti < 0 || lettiCopia < 0)
            return errno;
        if (letti != lettiCopia || std::memcmp(blocco.data(), bloccoCopia.data(), static_cast<std::size_t>(letti)) != 0)
            return EIO;
        if (letti == 0)
            return 0;
        posizione += letti;
    }
}

// Closes the descriptor when it goes.
struct Descrittore {
    int fd = -1;
    ~Descrittore()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
        errore = resto < 0 ? errno : motivoScritturaCorta(fd);
        (void)::ftruncate(fd, inizio);
    }
    struct stat stato { };
    if (stato_->creato && ::fstat(fd, &stato) == 0 && stato.st_size == 0) {
        (void)::unlink(stato_->nativo.c_str());
        stato_.reset();
    }
    return motivo(errore);
}

std::optional<std::string> FileInCoda::chiudi(bool bScarica)
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
    // Once per file, not per record: a network file system may report a write it could not
    // complete only when the data is sent.
    int errore = bScarica && ::fsync(fd) != 0 ? errno : 0;
    if (::close(fd) != 0 && errore == 0)
        errore = errno;
    if (errore != 0)
        return motivo(errore);
    if (eliminato)
        return "il file \xE8 stato eliminato durante l'esportazione";
    return std::nullopt;
}

std::optional<std::string> eliminaFile(const std::string& percorso)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Elimina, percorso))
        return guasto;
    if (::unlink(percorsoNativo(percorso).c_str()) != 0)
        return motivo(errno);
    return std::nullopt;
}

std::optional<std::string> sostituisciFile(const std::string& nuovo, const std::string& percorso)
{
    if (::rename(percorsoNativo(nuovo).c_str(), percorsoNativo(percorso).c_str()) != 0)
        return motivo(errno);
    return std::nullopt;
}

std::optional<std::string> creaCartella(const std::string& percorso)
{
    const std::filesystem::path cartella = percorsoNativo(percorso);
    std::error_code ignorato;
    if (std::filesystem::is_directory(cartella, ignorato))
        return std::nullopt;
    // The first missing parent, then down from there, so that what stands in the way is named.
    std::vector<std::filesystem::path> mancanti;
    struct stat stato { };
    std::filesystem::path parte = cartella.has_filename() ? cartella : cartella.parent_path();
    for (; parte.has_relative_path() && ::stat(parte.c_str(), &stato) != 0; parte = parte.parent_path())
        mancanti.push_back(parte);
    for (auto mancante = mancanti.rbegin(); mancante != mancanti.rend(); ++mancante) {
        if (::mkdir(mancante->c_str(), 0777) == 0)
            continue;
        const int errore = errno;
        if (errore == EEXIST && ::stat(mancante->c_str(), &stato) == 0 && S_ISDIR(stato.st_mode))
            continue;
        return motivo(errore == EEXIST ? ENOTDIR : errore);
    }
    if (!std::filesystem::is_directory(cartella, ignorato))
        return motivo(ENOTDIR);
    return std::nullopt;
}

std::optional<std::string> copiaFile(const std::string& origine, const std::string& copia)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Copia, origine))
        return guasto;
    const std::filesystem::path nativoCopia = percorsoNativo(copia);
    const Descrittore sorgente { ::open(percorsoNativo(origine).c_str(), O_RDONLY | O_CLOEXEC) };
    if (sorgente.fd < 0)
        return motivo(errno);
    Descrittore destinazione { ::open(nativoCopia.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666) };
    if (destinazione.fd < 0)
        return motivo(errno);
    std::vector<char> blocco(64 * 1024);
    int errore = 0;
    for (;;) {
        const ssize_t letti = ::read(sorgente.fd, blocco.data(), blocco.size());
        if (letti < 0 && errno == EINTR)
            continue;
        if (letti <= 0) {
            errore = letti < 0 ? errno : 0;
            break;
        }
        if (!scriviTutto(destinazione.fd, blocco.data(), static_cast<std::size_t>(letti))) {
            errore = errno;
            break;
        }
    }
    // The copy keeps the file's last-write time, as Windows' own copy does: a file put back from
    // its history copy is stamped as before.
    struct stat statoSorgente { };
    if (errore == 0 && ::fstat(sorgente.fd, &statoSorgente) != 0)
        errore = errno;
    const timespec tempi[] = { { 0, UTIME_OMIT }, statoSorgente.st_mtim };
    if (errore == 0 && ::futimens(destinazione.fd, tempi) != 0)
        errore = errno;
    // A full disk may show only when the data reaches it.
    if (errore == 0 && ::fsync(destinazione.fd) != 0)
        errore = errno;
    if (errore == 0)
        errore = confrontaCopia(sorgente.fd, destinazione.fd);
    if (::close(std::exchange(destinazione.fd, -1)) != 0 && errore == 0)
        errore = errno;
    if (errore == 0)
        return std::nullopt;
    (void)::unlink(nativoCopia.c_str());
    return motivo(errore);
}

std::optional<std::string> verificaSpostabile(const std::string& percorso)
{
    if (std::optional<std::string> guasto = guastoDiProva(OperazioneFile::Verifica, percorso))
        return guasto;
    // No program holds a file against deletion here: what can stop the move is a file that cannot
    // be read, or a folder that does not let this user take a name out of it.
    const std::filesystem::path nativo = percorsoNativo(percorso);
    const Descrittore file { ::open(nativo.c_str(), O_RDONLY | O_CLOEXEC) };
    struct stat stato { };
    if (file.fd < 0 || ::fstat(file.fd, &stato) != 0)
        return motivo(errno);
    if (S_ISDIR(stato.st_mode))
        return motivo(EISDIR);
    const std::filesystem::path cartella = nativo.has_parent_path() ? nativo.parent_path() : ".";
    if (::access(cartella.c_str(), W_OK | X_OK) != 0)
        return motivo(errno);
    return std::nullopt;
}

std::optional<std::string> rinominaFile(const std::string& origine, const std::string& destinazione)
{
    const std::filesystem::path nativoOrigine = percorsoNativo(origine);
    const std::filesystem::path nativo = percorsoNativo(destinazione);
    if (::renameat2(AT_FDCWD, nativoOrigine.c_str(), AT_FDCWD, nativo.c_str(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno != EINVAL)
        return motivo(errno);
    // A file system that cannot refuse to replace: asked first, with the folder held by the run.
    struct stat stato { };
    if (::lstat(nativo.c_str(), &stato) == 0)
        return motivo(EEXIST);
    if (::rename(nativoOrigine.c_str(), nativo.c_str()) != 0)
        return motivo(errno);
    return std::nullopt;
}

} // namespace platform
