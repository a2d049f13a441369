#include "export/ContenutoTracciato.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <unordered_set>

#include "export/BilanciSalute.h"
#include "export/ControlloRecord.h"
#include "export/FileTracciato.h"
#include "platform/FileSistema.h"
#include "tools/tc_GenTools.h"

namespace {

// Where each layout writes the service's regional code (BILSALU.DAT: the codice bilancio), and
// the code table's TIPO of its services.
struct CodiceDelTracciato {
    const TracciatoRecord* tracciato;
    std::size_t pos;
    std::size_t larghezza;
    const char* tipo;
};
constexpr CodiceDelTracciato kCodici[] = {
    { &kTracciatoBilsalu, 32, 2, nullptr },
    { &kTracciatoAccessi, 36, 1, "V" },
    { &kTracciatoPpip, 22, 3, "P" },
    { &kTracciatoVaccini, 22, 3, "P" },
};

// The names the table gives a regional code of the file, among the services this doctor may
// claim: one code may stand for several (a flu vaccination and any other, say).
std::string nomeDalTabella(const TabellaCodici& tabella, const CodiceDelTracciato& codice, const std::string& valore,
    const std::string& sContratto)
{
    std::vector<std::string> nomi;
    for (int riga = 1; riga < tabella.righe(); ++riga) {
        const std::string& professionista = tabella.cella(TabellaCodici::PROFESSIONISTA, riga);
        if (tabella.cella(TabellaCodici::TIPO, riga) != codice.tipo
            || padLeft(tabella.cella(TabellaCodici::CODE_PUGLIA, riga), '0', static_cast<int>(codice.larghezza))
                != valore
            || (professionista == "M" && sContratto == "PLS") || (professionista == "P" && sContratto == "MMG"))
            continue;
        const std::string& nome = tabella.cella(TabellaCodici::DESCRIZ, riga);
        if (std::find(nomi.begin(), nomi.end(), nome) == nomi.end())
            nomi.push_back(nome);
    }
    std::string nome;
    for (const std::string& uno : nomi)
        nome += (nome.empty() ? "" : " / ") + uno;
    return nome.empty() ? "codice non presente nella tabella regionale" : nome;
}

FileDichiarato leggiFile(const std::string& sFile, const CodiceDelTracciato& codice, const TabellaCodici& tabella,
    const std::string& sContratto, const Periodo& periodo)
{
    const TracciatoRecord& tracciato = *codice.tracciato;
    FileDichiarato file;
    file.tracciato = &tracciato;
    struct PerCodice {
        ServizioDichiarato servizio;
        std::unordered_set<std::string> pazienti;
    };
    std::map<std::string, PerCodice> perCodice;
    std::unordered_set<std::string> pazienti;
    scorriRecord(sFile, tracciato.larghezza, [&](std::optional<std::string_view> riga) {
        file.difetti.aggiungi(riga, tracciato, periodo);
        if (!riga) {
            ++file.righeNonConformi;
            return true;
        }
        ++file.totale.righe;
        RecordDichiarato record { std::string(riga->substr(tracciato.posCodiceFiscale, kLarghezzaCodiceFiscale)),
            std::string(riga->substr(tracciato.posData, kLarghezzaData)),
            std::string(riga->substr(codice.pos, codice.larghezza)),
            tracciato.larghezzaNumero > 0 ? std::string(riga->substr(tracciato.posNumero, tracciato.larghezzaNumero))
                                          : std::string() };
        // A count that cannot be read adds nothing, as in the summary's totals.
        const std::int64_t prestazioni = tracciato.larghezzaNumero > 0 ? cifre(record.numero).value_or(0) : 1;
        PerCodice& perQuesto = perCodice[record.codice];
        ++perQuesto.servizio.righe;
        perQuesto.servizio.prestazioni += prestazioni;
        perQuesto.pazienti.insert(record.codiceFiscale);
        pazienti.insert(record.codiceFiscale);
        file.totale.prestazioni += prestazioni;
        file.record.push_back(std::move(record));
        return true;
    });
    for (auto& [valore, perQuesto] : perCodice) {
        perQuesto.servizio.codice = valore;
        perQuesto.servizio.nome
            = codice.tipo ? nomeDalTabella(tabella, codice, valore, sContratto) : nomeBilancio(valore);
        perQuesto.servizio.pazienti = static_cast<std::int32_t>(perQuesto.pazienti.size());
        file.servizi.push_back(std::move(perQuesto.servizio));
    }
    file.totale.pazienti = static_cast<std::int32_t>(pazienti.size());
    return file;
}

// The entries of trx_sconosciuti.txt run on in one line, each opened by one of these.
struct TipoScarto {
    std::string_view inizio;
    const char* motivo;
};
constexpr TipoScarto kScarti[] = {
    { "*SCONOSCIUTO: Nome Prestazione*: ", "codice non presente nella tabella regionale" },
    { "*SCARTATO (SOLO PER MMG): Nome Prestazione*: ", "prestazione riservata ai medici di medicina generale" },
    { "SCARTATO (SOLO PER PLS): Nome Prestazione*: ", "prestazione riservata ai pediatri" },
};

void leggiScartati(const std::string& sFile, ContenutoTracciato& contenuto)
{
    std::ifstream in(platform::percorsoNativo(sFile), std::ios::binary);
    if (!in)
        return;
    std::ostringstream letto;
    letto << in.rdbuf();
    const std::string testo = letto.str();
    // Where each entry starts, and which kind it is.
    std::map<std::size_t, const TipoScarto*> inizi;
    for (const TipoScarto& tipo : kScarti)
        for (auto p = testo.find(tipo.inizio); p != std::string::npos; p = testo.find(tipo.inizio, p + 1))
            inizi.emplace(p, &tipo);
    std::map<std::tuple<std::string, std::string, std::string>, std::int32_t> gruppi;
    for (auto voce = inizi.begin(); voce != inizi.end(); ++voce) {
        const std::size_t inizio = voce->first + voce->second->inizio.size();
        const std::size_t fine = std::next(voce) == inizi.end() ? testo.size() : std::next(voce)->first;
        const std::string_view corpo = std::string_view(testo).substr(inizio, fine - inizio);
        const auto data = corpo.find(" *Data*:");
        const auto codice = corpo.rfind(" *Codice Orvella*: ");
        const std::string nome(corpo.substr(0, data));
        const std::string sCodice
            = codice == std::string_view::npos ? std::string() : std::string(corpo.substr(codice + 19));
        ++gruppi[{ voce->second->motivo, nome, sCodice }];
        ++contenuto.nScartati;
    }
    for (const auto& [chiave, n] : gruppi)
        contenuto.scartati.push_back({ std::get<1>(chiave), std::get<2>(chiave), std::get<0>(chiave), n });
}

} // namespace

std::string nomeBilancio(const std::string& codice)
{
    std::vector<std::string> esami;
    string2list(kCodiciBilancio, " ", esami);
    const int n = (codice.size() == 2 && codice[0] >= '0' && codice[0] <= '9' && codice[1] >= '0' && codice[1] <= '9')
        ? (codice[0] - '0') * 10 + (codice[1] - '0')
        : 0;
    if (n < 1 || n > static_cast<int>(esami.size()))
        return "esame non compreso tra i bilanci di salute";
    return "Bilancio di salute " + std::to_string(n) + " (esame " + esami[static_cast<std::size_t>(n - 1)] + ")";
}

ContenutoTracciato leggiContenutoTracciato(
    const UnitaFormMain& unita, const TabellaCodici& tabella, const std::string& sContratto, const Periodo& periodo)
{
    ContenutoTracciato contenuto;
    for (const FileTracciato& file : kFileTracciato) {
        const std::string& sFile = unita.*file.sFile;
        if (!file.tracciato || sFile.empty() || !platform::esiste(sFile))
            continue;
        const auto codice = std::find_if(std::begin(kCodici), std::end(kCodici),
            [&file](const CodiceDelTracciato& codice) { return codice.tracciato == file.tracciato; });
        contenuto.file.push_back(leggiFile(sFile, *codice, tabella, sContratto, periodo));
    }
    if (!unita.sFileSconosciuti.empty())
        leggiScartati(unita.sFileSconosciuti, contenuto);
    return contenuto;
}
