#include "export/FileExport.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"

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

// Appends the bytes whole or not at all: a failed or short write takes the file back to the
// size it had. Returns 0, or the errno of the failure.
int accoda(const std::string& percorso, std::string_view testo)
{
    const std::filesystem::path nativo = platform::percorsoNativo(percorso);
    Descrittore file(::open(nativo.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return errno;
    struct stat stato { };
    if (::fstat(file.get(), &stato) != 0)
        return errno;
    const off_t dimensionePrima = stato.st_size;

    std::size_t scritti = 0;
    while (scritti < testo.size()) {
        const ssize_t n = ::write(file.get(), testo.data() + scritti, testo.size() - scritti);
        if (n > 0) {
            scritti += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int errore = n < 0 ? errno : EIO;
        if (scritti > 0)
            (void)::ftruncate(file.get(), dimensionePrima);
        return errore;
    }
    if (file.chiudi() != 0) {
        const int errore = errno;
        (void)::truncate(nativo.c_str(), dimensionePrima);
        return errore;
    }
    return 0;
}

// The failure's description in the platform's words (its locale's language, in Windows-1252).
std::string descrizione(int errore)
{
    const std::string testo = std::generic_category().message(errore);
    return isValidUtf8(testo) ? utf8ToCp1252(testo) : testo;
}

// True when the text went in; otherwise the failure has been shown.
bool accodaOMostra(const std::string& operazione, const std::string& percorso, std::string_view testo)
{
    const int errore = accoda(percorso, testo);
    if (errore)
        platform::mostraMessaggio("Eccezione in " + operazione + "\r\n" + descrizione(errore));
    return errore == 0;
}

std::int32_t suFileFalliti = 0;

} // namespace

void suFile(const std::string& testo, const std::string& percorso)
{
    if (testo.empty())
        return;
    if (!accodaOMostra("suFile", percorso, testo))
        ++suFileFalliti;
}

std::int32_t suFileNonRiuscite()
{
    return suFileFalliti;
}

void RunLog::suLog(const std::string& msg) const
{
    if (!bDebug_)
        return;
    const bool vuoto = std::all_of(msg.begin(), msg.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    const std::string riga = vuoto ? msg : timbroLog() + " - " + msg;
    accodaOMostra("suLog", sFileLog_, riga + "\r\n");
}
