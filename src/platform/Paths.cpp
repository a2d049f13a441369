#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <utility>

#include "tools/Cp1252.h"

namespace platform {

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

bool esiste(const std::string& percorso)
{
    std::error_code errore;
    return std::filesystem::exists(percorsoNativo(percorso), errore);
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

CartellaPrivata::CartellaPrivata(const std::string& sDirBase)
{
    // An empty base would put the folder wherever the program happens to run.
    if (sDirBase.empty())
        return;
    const std::string modello = cp1252ToUtf8(sDirBase) + "ov_pip-XXXXXX";
    cartella_
        = std::make_unique<QTemporaryDir>(QString::fromUtf8(modello.data(), static_cast<qsizetype>(modello.size())));
    if (!cartella_->isValid())
        return;
    const CartellaPiattaforma privata = inCp1252(cartella_->path());
    if (privata.rappresentabile)
        percorso_ = conSeparatore(privata.percorso);
}

CartellaPrivata::~CartellaPrivata() = default;

} // namespace platform
