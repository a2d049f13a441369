#include "support/TestSupport.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

MessageRecorder::MessageRecorder()
    : precedente_(platform::setMessageBoxHandler(
        [this](const std::string& testo, const std::string& dettagli, platform::Gravita gravita) {
            messaggi_.push_back(testo);
            dettagli_.push_back(dettagli);
            gravita_.push_back(gravita);
        }))
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

std::string fileUri(const std::filesystem::path& percorso)
{
    const std::string generico = percorso.generic_string();
    return (generico.starts_with('/') ? "file://" : "file:///") + generico;
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
