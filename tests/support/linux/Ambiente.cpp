#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>

namespace testing_support {

ScopedEnv::ScopedEnv(std::string nome, const std::string& valore)
    : nome_(std::move(nome))
{
    if (const char* vecchio = std::getenv(nome_.c_str())) {
        aveva_ = true;
        vecchio_ = vecchio;
    }
    setenv(nome_.c_str(), valore.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (aveva_)
        setenv(nome_.c_str(), vecchio_.c_str(), 1);
    else
        unsetenv(nome_.c_str());
}

ScopedTimeZone::ScopedTimeZone(const std::string& tz)
    : tz_(std::in_place, "TZ", tz)
    , available_(true)
{
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    tz_.reset();
    tzset();
}

FileSizeLimit::FileSizeLimit(std::uint64_t byte)
    : available_(true)
{
    rlimit limite {};
    getrlimit(RLIMIT_FSIZE, &limite);
    precedenteCur_ = limite.rlim_cur;
    precedenteMax_ = limite.rlim_max;
    segnalePrecedente_ = std::signal(SIGXFSZ, SIG_IGN);
    limite.rlim_cur = byte;
    setrlimit(RLIMIT_FSIZE, &limite);
}

FileSizeLimit::~FileSizeLimit()
{
    const rlimit limite { precedenteCur_, precedenteMax_ };
    setrlimit(RLIMIT_FSIZE, &limite);
    std::signal(SIGXFSZ, segnalePrecedente_);
}

ScopedLocale::ScopedLocale(const std::string& nome)
{
    const std::string comando
        = "localedef -i " + nome + " -f UTF-8 '" + (cartella_ / (nome + ".UTF-8")).string() + "' >/dev/null 2>&1";
    if (std::system(comando.c_str()) != 0)
        return;
    available_ = true;
    locpath_.emplace("LOCPATH", cartella_.path().string());
    lcAll_.emplace("LC_ALL", nome + ".UTF-8");
}

ScopedRegistry::ScopedRegistry()
    : file_(std::in_place, "OV_PIP_REGISTRY", (cartella_ / "registry.reg").string())
{
}

ScopedRegistry::~ScopedRegistry() = default;

void ScopedRegistry::write(const std::string& esportazione)
{
    writeFile(cartella_ / "registry.reg", esportazione);
}

void ScopedRegistry::clear()
{
    std::filesystem::remove(cartella_ / "registry.reg");
}

bool localeFromEnvironment()
{
    return true;
}

bool folderPermissionBits()
{
    return true;
}

void setLastWriteTime(const std::filesystem::path& file, std::chrono::sys_time<std::chrono::milliseconds> istante)
{
    std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(istante));
}

} // namespace testing_support
