#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>

namespace testing_support {

MessageRecorder::MessageRecorder()
    : precedente_(platform::setMessageBoxHandler([this](const std::string& testo) { messaggi_.push_back(testo); }))
{
}

MessageRecorder::~MessageRecorder()
{
    platform::setMessageBoxHandler(precedente_);
}

TempDir::TempDir()
{
    std::random_device caso;
    const auto base = std::filesystem::temp_directory_path();
    for (int tentativo = 0; tentativo < 100; ++tentativo) {
        auto candidato = base / ("ov_pip_test_" + std::to_string(caso()));
        if (std::filesystem::create_directory(candidato)) {
            path_ = candidato;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignorato;
    std::filesystem::permissions(
        path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignorato);
    std::filesystem::remove_all(path_, ignorato);
}

ManualSteadyClock::ManualSteadyClock(std::chrono::nanoseconds passoPerLettura)
    : passo_(passoPerLettura)
{
    platform::setMonotonicClock([this] {
        const platform::Istante letta = ora_;
        ora_ += passo_;
        return letta;
    });
}

ManualSteadyClock::~ManualSteadyClock()
{
    platform::setMonotonicClock({});
}

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
{
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    tz_.reset();
    tzset();
}

FileSizeLimit::FileSizeLimit(std::uint64_t byte)
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

std::vector<std::string> logMessages(const std::filesystem::path& file)
{
    std::vector<std::string> messaggi;
    std::istringstream righe(readFile(file));
    for (std::string riga; std::getline(righe, riga);) {
        if (!riga.empty() && riga.back() == '\r')
            riga.pop_back();
        const auto trattino = riga.find(" - ");
        messaggi.push_back(trattino == std::string::npos ? riga : riga.substr(trattino + 3));
    }
    return messaggi;
}

std::string readFile(const std::filesystem::path& percorso)
{
    std::ifstream file(percorso, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + percorso.string());
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

void writeFile(const std::filesystem::path& percorso, const std::string& contenuto)
{
    std::ofstream file(percorso, std::ios::binary | std::ios::trunc);
    file << contenuto;
    if (!file)
        throw std::runtime_error("cannot write " + percorso.string());
}

} // namespace testing_support
