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

// An open file descriptor, closed when it goes.
class Descrittore {
public:
    explicit Descrittore(int fd)
        : fd_(fd)
    {
    }
    ~Descrittore()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descrittore(const Descrittore&) = delete;
    Descrittore& operator=(const Descrittore&) = delete;

    int get() const { return fd_; }
    // Closes now, so that a late failure (a network file system reports some only here) is seen.
    int chiudi() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

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

// Returns 0, or the errno of the failure.
int accoda(const std::string& percorso, std::string_view testo)
{
    const std::filesystem::path nativo = platform::percorsoNativo(percorso);
    bool creato = false;
    Descrittore file(apriInCoda(nativo.c_str(), creato));
    if (file.get() < 0)
        return errno;
    struct stat stato { };
    if (::fstat(file.get(), &stato) != 0) {
        const int errore = errno;
        if (creato)
            (void)::unlink(nativo.c_str());
        return errore;
    }
    const auto ripristina = [&](int errore) {
        if (creato)
            (void)::unlink(nativo.c_str());
        else if (file.get() >= 0)
            (void)::ftruncate(file.get(), stato.st_size);
        else
            (void)::truncate(nativo.c_str(), stato.st_size);
        return errore;
    };

    std::size_t scritti = 0;
    while (scritti < testo.size()) {
        const ssize_t n = ::write(file.get(), testo.data() + scritti, testo.size() - scritti);
        if (n > 0) {
            scritti += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return ripristina(n < 0 ? errno : EIO);
    }
    if (file.chiudi() != 0)
        return ripristina(errno);
    return 0;
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

std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo)
{
    const int errore = accoda(percorso, testo);
    if (errore == 0)
        return std::nullopt;
    return motivo(errore);
}

} // namespace platform
