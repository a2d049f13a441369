#include "storico/RegistroEsportazioni.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string_view>
#include <unordered_set>

#include "export/Records.h"
#include "platform/FileInCoda.h"
#include "platform/FileSistema.h"
#include "tools/tc_GenTools.h"

namespace {

using namespace std::chrono;

constexpr const char* kEsiti[] = { "completata", "non completata", "interrotta", "nessuna prestazione" };
constexpr std::size_t kColonne = 6 + 2 * std::size(kFileRegistrati) + 1;

struct ChiudiFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, ChiudiFile>;

// Every field within quotes: a line cut short inside any field leaves a quote open, or too few
// fields, or the last one empty, and is seen for what it is when read. A line end inside a field
// would split its line in two.
std::string campo(std::string_view testo)
{
    std::string campo = "\"";
    for (const char c : testo) {
        if (c == '"')
            campo += "\"\"";
        else
            campo += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return campo + "\"";
}

std::string rigaCsv(const std::vector<std::string>& campi)
{
    std::string riga;
    for (const std::string& testo : campi)
        riga += (riga.empty() ? "" : ";") + campo(testo);
    return riga + kFineRiga;
}

// The fields of a line, quoted or not (a spreadsheet that saved the file may drop the quotes);
// nothing when a quote is left open or a quoted field runs on into other text.
std::optional<std::vector<std::string>> campi(std::string_view riga)
{
    std::vector<std::string> campi;
    std::size_t i = 0;
    for (;;) {
        std::string campo;
        if (i < riga.size() && riga[i] == '"') {
            for (++i;; ++i) {
                if (i >= riga.size())
                    return std::nullopt;
                if (riga[i] == '"') {
                    if (i + 1 < riga.size() && riga[i + 1] == '"') {
                        campo += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                campo += riga[i];
            }
            if (i < riga.size() && riga[i] != ';')
                return std::nullopt;
        } else {
            const std::size_t fine = std::min(riga.find(';', i), riga.size());
            campo = riga.substr(i, fine - i);
            i = fine;
        }
        campi.push_back(std::move(campo));
        if (i >= riga.size())
            return campi;
        ++i; // the semicolon
    }
}

// Digits only, at least one.
template <typename Intero> std::optional<Intero> numero(std::string_view testo)
{
    Intero valore {};
    const auto [fine, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
    if (testo.empty() || errore != std::errc() || fine != testo.data() + testo.size() || testo.front() == '-'
        || testo.front() == '+')
        return std::nullopt;
    return valore;
}

// "DD/MM/YYYY HH:MM:SS", or without the seconds as a spreadsheet may save it.
std::optional<platform::LocalTime> leggiMomento(std::string_view testo)
{
    // DD/MM/YYYY, as a spreadsheet set to Italian reads a date.
    const auto giorno = dataDelCampo(testo.substr(0, 10));
    if (!giorno || (testo.size() != 16 && testo.size() != 19) || testo[10] != ' ' || testo[13] != ':')
        return std::nullopt;
    const auto ore = numero<unsigned>(testo.substr(11, 2));
    const auto minuti = numero<unsigned>(testo.substr(14, 2));
    std::optional<unsigned> secondi = 0u;
    if (testo.size() == 19)
        secondi = testo[16] == ':' ? numero<unsigned>(testo.substr(17, 2)) : std::nullopt;
    if (!ore || !minuti || !secondi || *ore > 23 || *minuti > 59 || *secondi > 59)
        return std::nullopt;
    return local_days { *giorno } + hours { *ore } + minutes { *minuti } + seconds { *secondi };
}

// How the register ends, for the next line.
enum class Coda {
    Nuova, // no file, or an empty one: the header goes first
    Chiusa, // its last line ends
    Aperta, // a line cut short, or a file that cannot be read: a line end goes first
};

Coda coda(const std::string& sFile)
{
    const File file { platform::apriFile(platform::percorsoNativo(sFile), "rb") };
    if (!file)
        return platform::esiste(sFile) ? Coda::Aperta : Coda::Nuova;
    if (std::fseek(file.get(), 0, SEEK_END) == 0 && std::ftell(file.get()) == 0)
        return Coda::Nuova;
    if (std::fseek(file.get(), -1, SEEK_END) != 0)
        return Coda::Aperta;
    return std::fgetc(file.get()) == '\n' ? Coda::Chiusa : Coda::Aperta;
}

// The whole lines of the register's form that the file holds, in order.
std::vector<VoceRegistro> leggiVoci(const std::string& sFile)
{
    std::vector<VoceRegistro> voci;
    const File file { platform::apriFile(platform::percorsoNativo(sFile), "rb") };
    if (!file)
        return voci;
    std::string testo;
    char blocco[4096];
    for (std::size_t letti; (letti = std::fread(blocco, 1, sizeof blocco, file.get())) > 0;)
        testo.append(blocco, letti);
    // Line ends of either kind: a spreadsheet may save the file with its own.
    for (std::size_t inizio = 0; inizio < testo.size();) {
        const std::size_t fine = std::min(testo.find('\n', inizio), testo.size());
        std::string riga = testo.substr(inizio, fine - inizio);
        // A line cut between its CR and LF gets a CR LF of its own after it.
        while (!riga.empty() && riga.back() == '\r')
            riga.pop_back();
        if (std::optional<VoceRegistro> voce = leggiRigaRegistro(riga))
            voci.push_back(std::move(*voce));
        inizio = fine + 1;
    }
    return voci;
}

// The waiting lines that the register does not hold yet, each once: a register that took them
// but whose waiting file could not be removed afterwards must not get them twice.
std::vector<VoceRegistro> inAttesa(const std::vector<VoceRegistro>& registro, const std::string& sDirStorico)
{
    std::unordered_set<std::string> scritte;
    for (const VoceRegistro& voce : registro)
        scritte.insert(rigaRegistro(voce));
    std::vector<VoceRegistro> attesa;
    for (VoceRegistro& voce : leggiVoci(sDirStorico + kFileRegistroInAttesa)) {
        if (scritte.insert(rigaRegistro(voce)).second)
            attesa.push_back(std::move(voce));
    }
    return attesa;
}

// Appends whole lines in one write, flushed: after the header when bIntestazione and the file is
// new, after a line end when its last line was cut short (by a crash or a full disk).
std::optional<std::string> accodaRighe(const std::string& sFile, const std::string& righe, bool bIntestazione)
{
    const Coda fine = coda(sFile);
    const std::string testo = (fine == Coda::Nuova && bIntestazione ? intestazioneRegistro()
                                      : fine == Coda::Aperta        ? std::string(kFineRiga)
                                                                    : std::string())
        + righe;
    platform::FileInCoda file;
    std::optional<std::string> motivo = file.apri(sFile);
    if (!motivo)
        motivo = file.accoda(testo);
    if (!motivo)
        motivo = file.chiudi(true);
    return motivo;
}

// The waiting lines, then the run's when there is one, into the register; once there, the waiting
// file goes.
std::optional<std::string> aggiungiAlRegistro(const std::string& sDirStorico, const VoceRegistro* voce)
{
    const std::string sFile = percorsoRegistro(sDirStorico);
    std::string righe;
    for (const VoceRegistro& attesa : inAttesa(leggiVoci(sFile), sDirStorico))
        righe += rigaRegistro(attesa);
    if (voce)
        righe += rigaRegistro(*voce);
    if (righe.empty())
        return std::nullopt;
    if (std::optional<std::string> motivo = accodaRighe(sFile, righe, true))
        return motivo;
    if (const std::string sAttesa = sDirStorico + kFileRegistroInAttesa; platform::esiste(sAttesa))
        (void)platform::eliminaFile(sAttesa);
    return std::nullopt;
}

// The register is opened in a spreadsheet, which holds it against writing while it shows it.
std::string motivoRegistro(const std::string& motivo)
{
    if (motivo == platform::kMotivoFileAperto)
        return "il file \xE8 aperto in un altro programma, chiudere il file nel foglio di calcolo";
    return motivo;
}

} // namespace

const char* testoEsito(EsitoRegistro esito)
{
    return kEsiti[static_cast<std::size_t>(esito)];
}

EsitoRegistro esitoRegistro(bool bInterrotta, const std::string& sPrimaRiga, const ContenutoTracciato& contenuto)
{
    if (bInterrotta)
        return EsitoRegistro::Interrotta;
    if (sPrimaRiga != kOperazioneCompletata)
        return EsitoRegistro::NonCompletata;
    const bool vuoto = std::all_of(contenuto.file.begin(), contenuto.file.end(),
        [](const FileDichiarato& file) { return file.difetti.righe == 0; });
    return vuoto ? EsitoRegistro::NessunaPrestazione : EsitoRegistro::Completata;
}

VoceRegistro voceRegistro(platform::LocalTime quando, const Periodo& periodo, const std::string& sContratto,
    const std::string& sCodiceRegionale, EsitoRegistro esito, const ContenutoTracciato& contenuto)
{
    VoceRegistro voce { floor<seconds>(quando), periodo, sContratto, sCodiceRegionale, esito, {}, contenuto.nScartati };
    for (const FileDichiarato& file : contenuto.file) {
        const auto posto = std::find_if(std::begin(kFileRegistrati), std::end(kFileRegistrati),
            [&file](const char* nome) { return std::string_view(nome) == file.tracciato->nome; });
        if (posto != std::end(kFileRegistrati))
            // Every line, as the region receives the file, those of another width included.
            voce.file[static_cast<std::size_t>(posto - std::begin(kFileRegistrati))]
                = { true, file.difetti.righe, file.totale.prestazioni };
    }
    return voce;
}

std::string percorsoRegistro(const std::string& sDirStorico)
{
    return sDirStorico + kFileRegistro;
}

std::string intestazioneRegistro()
{
    std::vector<std::string> nomi { "Data esportazione", "Dal", "Al", "Contratto", "Codice regionale", "Esito" };
    for (const char* file : kFileRegistrati) {
        nomi.push_back(std::string(file) + " righe");
        nomi.push_back(std::string(file) + " prestazioni");
    }
    nomi.emplace_back("Prestazioni scartate");
    return rigaCsv(nomi);
}

std::string rigaRegistro(const VoceRegistro& voce)
{
    std::vector<std::string> valori { dataItaliana(year_month_day { floor<days>(voce.quando) }) + " "
            + oraItaliana(voce.quando, true),
        dataItaliana(voce.periodo.dallaData), dataItaliana(voce.periodo.allaData), voce.sContratto,
        voce.sCodiceRegionale, testoEsito(voce.esito) };
    for (const ConteggioRegistro& file : voce.file) {
        valori.push_back(file.scritto ? std::to_string(file.righe) : "");
        valori.push_back(file.scritto ? std::to_string(file.prestazioni) : "");
    }
    valori.push_back(std::to_string(voce.nScartati));
    return rigaCsv(valori);
}

std::optional<VoceRegistro> leggiRigaRegistro(const std::string& riga)
{
    const auto letti = campi(riga);
    if (!letti || letti->size() != kColonne)
        return std::nullopt;
    const std::vector<std::string>& c = *letti;
    const auto quando = leggiMomento(c[0]);
    const auto dal = dataDelCampo(c[1]);
    const auto al = dataDelCampo(c[2]);
    const auto esito = std::find(std::begin(kEsiti), std::end(kEsiti), c[5]);
    // The last field is never empty when whole: a line cut just after its last semicolon has one.
    const auto scartati = numero<std::int32_t>(c[kColonne - 1]);
    if (!quando || !dal || !al || *al < *dal || esito == std::end(kEsiti) || !scartati)
        return std::nullopt;
    VoceRegistro voce { *quando, { *dal, *al }, c[3], c[4], static_cast<EsitoRegistro>(esito - std::begin(kEsiti)), {},
        *scartati };
    for (std::size_t f = 0; f < voce.file.size(); ++f) {
        const std::string& righe = c[6 + 2 * f];
        const std::string& prestazioni = c[7 + 2 * f];
        if (righe.empty() && prestazioni.empty())
            continue;
        const auto nRighe = numero<std::int32_t>(righe);
        const auto nPrestazioni = numero<std::int64_t>(prestazioni);
        if (!nRighe || !nPrestazioni)
            return std::nullopt;
        voce.file[f] = { true, *nRighe, *nPrestazioni };
    }
    return voce;
}

std::vector<VoceRegistro> leggiRegistro(const std::string& sDirStorico)
{
    // No history folder (a Desktop that cannot be spelled): no register, not one in the working folder.
    if (sDirStorico.empty())
        return {};
    std::vector<VoceRegistro> voci = leggiVoci(percorsoRegistro(sDirStorico));
    std::vector<VoceRegistro> attesa = inAttesa(voci, sDirStorico);
    std::move(attesa.begin(), attesa.end(), std::back_inserter(voci));
    return voci;
}

Registrazione registraEsportazione(const std::string& sDirStorico, const VoceRegistro& voce)
{
    const std::string sFile = percorsoRegistro(sDirStorico);
    std::optional<std::string> motivo = platform::creaCartella(sDirStorico);
    if (!motivo)
        motivo = aggiungiAlRegistro(sDirStorico, &voce);
    if (!motivo)
        return {};
    const std::string perche = motivoRegistro(*motivo);
    const std::string sAttesa = sDirStorico + kFileRegistroInAttesa;
    if (!accodaRighe(sAttesa, rigaRegistro(voce), false))
        return { "Registro delle esportazioni non aggiornato: impossibile scrivere il file " + sFile + ": " + perche
                + ". La riga di questa esportazione \xE8 in attesa nel file " + sAttesa
                + " e sar\xE0 aggiunta al registro alla prossima esportazione.",
            "Registro delle esportazioni non aggiornato: " + perche
                + "; la riga sar\xE0 aggiunta alla prossima esportazione." };
    return { "Registro delle esportazioni: impossibile scrivere il file " + sFile + ": " + perche
            + "; la riga di questa esportazione non \xE8 stata registrata.",
        "Registro delle esportazioni non aggiornato: " + perche + "." };
}

void registraRigheInAttesa(const std::string& sDirStorico)
{
    if (!sDirStorico.empty() && platform::esiste(sDirStorico + kFileRegistroInAttesa))
        (void)aggiungiAlRegistro(sDirStorico, nullptr);
}
