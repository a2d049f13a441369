#include "platform/Paths.h"

#include <charconv>
#include <string_view>
#include <type_traits>

#include "platform/FileSistema.h"

namespace platform {

namespace {

// The name as text when it is plain ASCII, as the program's own names are; the empty text for
// any other. Read from the file system's own form, which no character can make fail.
std::string nomeAscii(const std::filesystem::path& nome)
{
    std::string testo;
    for (const auto carattere : nome.native()) {
        if (static_cast<std::make_unsigned_t<std::filesystem::path::value_type>>(carattere) > 0x7F)
            return {};
        testo += static_cast<char>(carattere);
    }
    return testo;
}

} // namespace

std::string nomeFile(const std::string& percorso)
{
    const auto barra = percorso.find_last_of(separatore == '/' ? "/" : "\\/");
    return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

CartellaPrivata::CartellaPrivata(const std::string& sDirBase)
{
    // An empty base would put the folder wherever the program happens to run.
    if (sDirBase.empty())
        return;
    percorso_ = creaCartellaPrivata(sDirBase);
}

CartellaPrivata::~CartellaPrivata()
{
    if (!percorso_.empty())
        rimuoviAlbero(percorsoNativo(percorso_));
}

void rimuoviCartellePrivateAbbandonate(const std::string& sDirBase)
{
    if (sDirBase.empty())
        return;
    for (const VoceCartella& voce : vociCartella(sDirBase)) {
        // "ov_pip-" + process id + "-" + what makes the name new.
        const std::string nome = nomeAscii(voce.nome);
        constexpr std::string_view kPrefisso = "ov_pip-";
        unsigned long processo = 0;
        const char* inizio = nome.data() + kPrefisso.size();
        const char* fine = nome.data() + nome.size();
        if (!nome.starts_with(kPrefisso) || voce.tipo == VoceCartella::Tipo::File)
            continue;
        const auto [dopo, esito] = std::from_chars(inizio, fine, processo);
        if (esito != std::errc() || dopo == inizio || dopo == fine || *dopo != '-')
            continue;
        const std::filesystem::path percorso = percorsoNativo(sDirBase) / voce.nome;
        if (cartellaPrivataAbbandonata(percorso, processo))
            rimuoviAlbero(percorso);
    }
}

} // namespace platform
