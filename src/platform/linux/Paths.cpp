#include "platform/Paths.h"
#include "platform/FileSistema.h"

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "tools/Cp1252.h"

namespace platform {

const char separatore = '/';

namespace {

// The platform's path as Windows-1252 text, and whether that text names the same path.
CartellaPiattaforma inCp1252(const QString& percorso)
{
    const QByteArray utf8 = percorso.toUtf8();
    const std::string_view originale(utf8.constData(), static_cast<size_t>(utf8.size()));
    std::string testo = utf8ToCp1252(originale);
    const bool rappresentabile = cp1252ToUtf8(testo) == originale;
    return { std::move(testo), rappresentabile };
}

std::string conSeparatore(std::string cartella)
{
    if (cartella.empty() || cartella.back() != separatore)
        cartella += separatore;
    return cartella;
}

} // namespace

std::filesystem::path percorsoNativo(const std::string& percorso)
{
    return std::filesystem::path(cp1252ToUtf8(percorso));
}

std::filesystem::path percorsoDaUtf8(std::string_view percorso)
{
    return std::filesystem::path(percorso);
}

std::string percorsoUtf8(const std::filesystem::path& percorso)
{
    return percorso.string();
}

bool esiste(const std::string& percorso)
{
    std::error_code errore;
    return std::filesystem::exists(percorsoNativo(percorso), errore);
}

std::FILE* apriFile(const std::filesystem::path& percorso, const char* modo)
{
    return std::fopen(percorso.c_str(), modo);
}

CartellaPiattaforma cartellaDesktop()
{
    // Without a home folder there is no Desktop of this user, whatever a fallback would guess.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        return {};
    return inCp1252(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

std::string cartellaProgramma()
{
    std::error_code errore;
    std::filesystem::path programma = std::filesystem::read_symlink("/proc/self/exe", errore);
    if (errore)
        return {};
    return conSeparatore(utf8ToCp1252(programma.parent_path().string()));
}

std::string cartellaTemporanea()
{
    const CartellaPiattaforma temporanea = inCp1252(QDir::tempPath());
    if (!temporanea.rappresentabile || temporanea.percorso.empty())
        return {};
    return conSeparatore(temporanea.percorso);
}

std::string percorsoCopiaEstratto(const std::string& sDirOutput)
{
    return sDirOutput + "karv.xml";
}

std::string creaCartellaPrivata(const std::string& sDirBase)
{
    // mkdtemp makes the folder with owner-only access in one step, under a name it picks.
    std::string modello = cp1252ToUtf8(sDirBase) + "ov_pip-" + std::to_string(processoCorrente()) + "-XXXXXX";
    if (mkdtemp(modello.data()) == nullptr)
        return {};
    return utf8ToCp1252(modello) + separatore;
}

unsigned long processoCorrente()
{
    return static_cast<unsigned long>(::getpid());
}

bool cartellaPrivataAbbandonata(const std::filesystem::path& cartella, unsigned long processo)
{
    struct stat stato { };
    if (::lstat(cartella.c_str(), &stato) != 0 || stato.st_uid != ::geteuid()
        || !(S_ISDIR(stato.st_mode) || S_ISLNK(stato.st_mode)))
        return false;
    // Another user's process answers EPERM: alive.
    return ::kill(static_cast<pid_t>(processo), 0) != 0 && errno == ESRCH;
}

} // namespace platform
