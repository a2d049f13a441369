#include "export/EsportazioneTracciato.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <unordered_set>
#include <utility>

#include "export/Classificazione.h"
#include "export/ControlloRecord.h"
#include "export/EsportazioniPrecedenti.h"
#include "export/Riepilogo.h"
#include "export/Storico.h"
#include "export/TracciatoInterrotto.h"
#include "host/AperturaSessione.h"
#include "platform/BloccoCartella.h"
#include "platform/Clock.h"
#include "platform/FileInCoda.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"
#include "tools/tc_GenTools.h"

namespace {

constexpr const char* kCrLf = "\r\n";

void elimina(const std::string& sFile)
{
    (void)platform::eliminaFile(sFile);
}

// The folder, made with its parents when missing; false when it cannot be.
bool cartellaPronta(const std::string& sDir)
{
    return !platform::creaCartella(sDir);
}

// The records of a file that did not go in, after its line of the summary.
std::string nonScritti(std::int32_t n)
{
    return n == 1 ? " (1 record non scritto)" : " (" + std::to_string(n) + " record non scritti)";
}

// The file's own name, as the box names it.
std::string nomeFile(const std::string& sFile)
{
    // Either separator: a path given with forward slashes is as good to Windows.
    return sFile.substr(sFile.find_last_of("/\\") + 1);
}

// Shown and logged: the run's own refusals.
void errore(const RunLog& log, const std::string& messaggio)
{
    platform::mostraMessaggio(messaggio);
    log.suLog(messaggio);
}

// The last step of every run, however it ends.
class FineTracciato {
public:
    FineTracciato(UnitaFormMain& unita, FinestraTracciato& finestra, const std::string& sFileXml)
        : unita_(unita)
        , finestra_(finestra)
        , sFileXml_(sFileXml)
    {
        unita_.bEsportazioneInCorso = true;
    }
    ~FineTracciato()
    {
        try {
            finestra_.cursoreNormale();
        } catch (...) {
            // A destructor that throws during an unwinding ends the program; the cursor is not worth it.
        }
        if (!sFileXml_.empty())
            elimina(sFileXml_);
        unita_.bEsportazioneInCorso = false;
    }
    FineTracciato(const FineTracciato&) = delete;
    FineTracciato& operator=(const FineTracciato&) = delete;

private:
    UnitaFormMain& unita_;
    FinestraTracciato& finestra_;
    const std::string& sFileXml_;
};

// While the run lasts, a busy host is waited for in the run's window, and the run log notes
// each wait; the session's own way of waiting comes back after it.
class AttesaDelTracciato {
public:
    AttesaDelTracciato(Torvapat& oOrvapat, FinestraTracciato& finestra, const RunLog& log)
        : oOrvapat_(oOrvapat)
        , precedente_(oOrvapat.attesa())
    {
        AttesaOrvella attesa = precedente_;
        attesa.mostra = [&finestra, &log, inAttesa = false](const std::string& testo) mutable {
            if (testo.empty() == inAttesa) {
                inAttesa = !inAttesa;
                log.suLog(inAttesa ? kLogAttesaOrvella : kLogFineAttesaOrvella);
            }
            finestra.attesaOrvella(testo);
        };
        oOrvapat_.impostaAttesa(std::move(attesa));
    }
    ~AttesaDelTracciato() { oOrvapat_.impostaAttesa(precedente_); }
    AttesaDelTracciato(const AttesaDelTracciato&) = delete;
    AttesaDelTracciato& operator=(const AttesaDelTracciato&) = delete;

private:
    Torvapat& oOrvapat_;
    AttesaOrvella precedente_;
};

// The message, and the host's own reason for its latest failure when it gave one.
std::string conMotivo(const std::string& messaggio, const Torvapat& oOrvapat)
{
    if (oOrvapat.ultimoErrore().empty())
        return messaggio;
    return messaggio + " Motivo: " + oOrvapat.ultimoErrore();
}

// Moves one previous file aside; false, after the message, when it had to stay.
bool storicizza(
    const RunLog& log, const std::string& sFile, const std::string& sDirStorico, PrecisioneTimbro precisione)
{
    const Storicizzazione storicizzazione = spostaInStorico(sFile, sDirStorico, precisione);
    if (storicizzazione.esito == EsitoStorico::Assente || storicizzazione.esito == EsitoStorico::Spostato)
        return true;
    // New records appended to an old file, or an old export lost, would both be worse than stopping.
    errore(log, messaggioStorico(storicizzazione, sFile));
    return false;
}

// Why a loaded extract cannot be used; empty when it can. One without the list is none (an error
// page, say), while an empty list is a month without services.
std::string motivoEstrattoInutilizzabile(const DocumentoXml& oXmlDoc, const EsitoCaricamento& esito)
{
    if (!esito)
        return descriviEsito(esito);
    if (!oXmlDoc.selezionaNodo(kQueryElenco))
        return "manca l'elenco delle prestazioni (Elenco_prestazioni_incentivanti)";
    return {};
}

// Hands every patient of the extract to the classification once, at its first child of the list.
void classificaEstratto(
    ContestoClassificazione& classificazione, const std::string& sCodiceRegionale, const std::string& sContratto)
{
    const NodoXml elenco = classificazione.oXmlDoc.selezionaNodo(kQueryElenco);
    if (!elenco) {
        classificazione.log.suLog("--- Nessun record ppip trovato ---");
        return;
    }
    const std::vector<NodoXml> figli = elenco.nodiFigli();
    classificazione.log.suLog("--- Pazienti " + std::to_string(static_cast<long long>(figli.size()) - 1) + " ---");
    // Whole ids rather than a search for "|" + id + "|" in one growing text: no quadratic cost, and
    // an id holding a bar (say "1|2") cannot hide another patient ("2") any more.
    std::unordered_set<std::string> elencoPazienti;
    for (const NodoXml& figlio : figli) {
        // No attribute, no patient id: nothing to classify.
        if (!figlio.haAttributi())
            continue;
        const std::string id = figlio.primoAttributo();
        if (elencoPazienti.contains(id))
            continue;
        faiPrestazioniPaziente(classificazione, sCodiceRegionale, id, sContratto);
        elencoPazienti.insert(id);
    }
}

// The outcome's warnings in the summary's order: the host's and the health checks' first, then
// the outcome's own, those of the files read back and the period exported before; and what the
// files hold.
void completaEsito(EsitoTracciato& esito, std::vector<AvvisoTracciato> avvisi, const UnitaFormMain& unita,
    const Periodo& periodo, const std::vector<EsportazionePrecedente>& precedenti)
{
    std::move(esito.avvisi.begin(), esito.avvisi.end(), std::back_inserter(avvisi));
    ControlloTracciato controllo = controllaTracciato(unita, periodo);
    std::move(controllo.avvisi.begin(), controllo.avvisi.end(), std::back_inserter(avvisi));
    if (AvvisoTracciato ripetuto = avvisoEsportazioniPrecedenti(precedenti, periodo); !ripetuto.testo.empty())
        avvisi.push_back(std::move(ripetuto));
    esito.avvisi = std::move(avvisi);
    esito.conteggi = std::move(controllo.conteggi);
}

// Every file the run writes.
constexpr std::string UnitaFormMain::*kFileTracciato[] = { &UnitaFormMain::sFileBilsalu, &UnitaFormMain::sFileAccessi,
    &UnitaFormMain::sFilePpip, &UnitaFormMain::sFileVaccini, &UnitaFormMain::sFileSconosciuti };

} // namespace

std::string percorsoCopiaDebug(const std::string& sDirOutput)
{
    return platform::percorsoCopiaEstratto(sDirOutput);
}

EsitoTracciato riepilogoTracciato(const UnitaFormMain& unita, const std::string& sContratto, std::int32_t nNonRiuscite,
    const std::function<std::int32_t(const std::string&)>& nonScrittiIn, const std::string& sChiamateNonRiuscite)
{
    const auto mancanti = [&nonScrittiIn](const std::string& sFile) { return nonScrittiIn ? nonScrittiIn(sFile) : 0; };
    EsitoTracciato esito;
    esito.sContratto = sContratto;
    // Failed writes that left no file at all: nothing of the export was written.
    const bool nienteScritto = nNonRiuscite > 0
        && std::none_of(std::begin(kFileTracciato), std::end(kFileTracciato),
            [&unita](auto sFile) { return platform::esiste(unita.*sFile); });
    // A run whose host calls failed lacks what they would have brought, whatever it wrote.
    esito.primaRiga = nienteScritto     ? std::string("Operazione non riuscita: nessun file scritto.")
        : !sChiamateNonRiuscite.empty() ? kChiamateNonRiuscite + sChiamateNonRiuscite
            + (nNonRiuscite > 0 ? "; alcuni record non sono stati scritti." : ".")
        : nNonRiuscite > 0 ? "Operazione non completata: alcuni record non sono stati scritti."
                           : kOperazioneCompletata;
    // A file made, with what did not go into it; a file none of whose records went in is named
    // with them, never reported as a period without any.
    const auto riga = [&](const std::string& sFile, const char* creato, const char* nonCreato, const char* nessuno,
                          const char* dopo) {
        const std::int32_t n = mancanti(sFile);
        if (platform::esiste(sFile))
            return kCrLf + (creato + sFile) + (n > 0 ? nonScritti(n) : "") + dopo;
        if (n > 0)
            return kCrLf + (nonCreato + sFile) + nonScritti(n);
        return kCrLf + std::string(nessuno);
    };
    if (sContratto == "PLS")
        esito.file += riga(unita.sFileBilsalu, "Bilanci: creato file ",
            "Bilanci: ", "Bilanci: nessun bilancio di salute trovato nel periodo selezionato", kCrLf);
    esito.file += riga(unita.sFileAccessi, "Visite: creato file ",
        "Visite: ", "Visite: nessuna visita trovata nel periodo selezionato", kCrLf);
    esito.file += riga(unita.sFilePpip, "Prestazioni: creato file ",
        "Prestazioni: ", "Prestazioni: nessuna prestazione trovata nel periodo selezionato", "");
    esito.file += riga(unita.sFileVaccini, "Vaccini: creato file ",
        "Vaccini: ", "Vaccini: nessuna prestazione trovata nel periodo selezionato", "");
    const std::int32_t nSconosciuti = mancanti(unita.sFileSconosciuti);
    if (platform::esiste(unita.sFileSconosciuti) || nSconosciuti > 0)
        esito.file += std::string(kCrLf) + kCrLf + "[Sono state scartate " + std::to_string(unita.nScartate)
            + " ppip] Dettagli in:" + kCrLf + unita.sFileSconosciuti
            + (nSconosciuti > 0 ? nonScritti(nSconosciuti) : "");
    if (nNonRiuscite > 0) {
        AvvisoTracciato avviso { "ATTENZIONE: " + std::to_string(nNonRiuscite)
                + " scritture non riuscite, il tracciato non \xE8 completo.",
            {} };
        for (const auto sFile : kFileTracciato) {
            if (const std::int32_t n = mancanti(unita.*sFile); n > 0)
                avviso.brevi.push_back(std::to_string(n) + " record di " + nomeFile(unita.*sFile)
                    + (n == 1 ? " non scritto." : " non scritti."));
        }
        if (avviso.brevi.empty())
            avviso.brevi.push_back(std::to_string(nNonRiuscite) + " scritture non riuscite.");
        esito.avvisi.push_back(std::move(avviso));
    }
    return esito;
}

std::vector<AvvisoTracciato> avvisiTracciato(
    std::int32_t nChiamateNonRiuscite, const BilanciTralasciati& tralasciati, const std::string& sContratto)
{
    std::vector<AvvisoTracciato> avvisi;
    if (nChiamateNonRiuscite > 0) {
        const std::string chiamate = std::to_string(nChiamateNonRiuscite)
            + (nChiamateNonRiuscite == 1 ? " chiamata al gestionale non riuscita"
                                         : " chiamate al gestionale non riuscite");
        avvisi.push_back({ "ATTENZIONE: " + std::to_string(nChiamateNonRiuscite)
                + " chiamate al gestionale non riuscite, il tracciato non \xE8 completo.",
            { chiamate + "." } });
    }
    if (const std::string avviso = avvisoBilanciTralasciati(tralasciati); !avviso.empty()) {
        const std::int32_t n = tralasciati.senzaCodiceFiscale + tralasciati.senzaData;
        avvisi.push_back({ avviso,
            { std::to_string(n) + (n == 1 ? " bilancio di salute non inserito" : " bilanci di salute non inseriti")
                + " in BILSALU.DAT." } });
    }
    if (sContratto != "MMG" && sContratto != "PLS")
        avvisi.push_back({ "ATTENZIONE: il contratto letto da Orvella (\"" + sContratto
                + "\") non \xE8 n\xE9 MMG n\xE9 PLS, tutte le prestazioni sono state scartate.",
            { "Contratto non riconosciuto (\"" + sContratto + "\"): tutte le prestazioni scartate." } });
    return avvisi;
}

bool creaTracciato(UnitaFormMain& unita, const TabellaCodici& tabella, const RunLog& log,
    std::chrono::year_month_day dallaData, std::chrono::year_month_day allaData, const std::string& sDirTemporanea,
    FinestraTracciato& finestra)
{
    // Progress lets window events run, a second press among them.
    if (unita.bEsportazioneInCorso)
        return false;
    std::string sFileXml;
    const FineTracciato fine(unita, finestra, sFileXml);

    finestra.cursoreOccupato();
    finestra.nascondiMemo1();
    // A doctor may have removed the folder since the window opened: it is made again, as the
    // history folder is, before the run's log or files go into it. One that cannot be made
    // cannot hold the log either, so the refusal is only shown.
    if (unita.sDirOutput.empty() || !cartellaPronta(unita.sDirOutput)) {
        platform::mostraMessaggio("ERRORE: Cartella di output non disponibile, impossibile creare il tracciato.");
        return true;
    }
    // Two runs on one folder would each move the other's files and append to them: the second
    // writes nothing at all, its log included. Held until the files below are closed.
    const platform::BloccoCartella blocco(unita.sDirOutput);
    if (!blocco.preso()) {
        const std::string messaggio = "Un'altra esportazione \xE8 in corso nella cartella "
            + unita.sDirOutput.substr(0, unita.sDirOutput.size() - 1) + ": attendere che termini.";
        platform::mostraMessaggio(messaggio);
        finestra.mostraMemo1(messaggio);
        return true;
    }
    FileEsecuzione fileEsecuzione;
    log.suLog("ov_pipp versione ver. 6");
    log.suLog("Inizio creazione tracciato...");

    // Main-window creation can stop before the document is made, and without a session there is
    // no host to ask: stop before any previous file is moved.
    if (!unita.oXmlDoc) {
        errore(log, "ERRORE: Documento XML non disponibile, impossibile creare il tracciato.");
        return true;
    }
    if (!unita.oOrvapat) {
        errore(log, "ERRORE: Sessione Orvella non disponibile, impossibile creare il tracciato.");
        return true;
    }
    Torvapat& oOrvapat = *unita.oOrvapat;
    const AttesaDelTracciato attesa(oOrvapat, finestra, log);
    // A run killed or crashed left its extract, the patients' data, behind: gone before this one.
    platform::rimuoviCartellePrivateAbbandonate(sDirTemporanea);
    // The extract goes into a folder of this run alone: the program's folder may be read-only,
    // and a file that another user left behind can never be taken for this doctor's extract.
    const platform::CartellaPrivata cartellaEstratto(sDirTemporanea);
    if (cartellaEstratto.percorso().empty()) {
        errore(log, "ERRORE: Impossibile creare la cartella temporanea per l'estrazione xml ppip.");
        return true;
    }
    const std::int32_t nChiamateNonRiusciteAllInizio = oOrvapat.chiamateNonRiuscite();

    // Every record carries the regional code: without it nothing is moved and nothing extracted.
    const std::u16string codiceRegionale = oOrvapat.leggi_attributo(u"mmg\\codice_regionale");
    const std::string sCodiceRegionale = utf16ToCp1252(codiceRegionale);
    log.suLog("Codice regionale = " + sCodiceRegionale);
    // A host gone has said so in its one box; before anything moves, there is nothing else to tell.
    if (oOrvapat.orvellaChiuso())
        return true;
    if (oOrvapat.chiamateNonRiuscite() != nChiamateNonRiusciteAllInizio) {
        errore(log, conMotivo("ERRORE: Impossibile leggere da Orvella il codice regionale del medico.", oOrvapat));
        return true;
    }
    if (!codiceRegionaleValorizzato(codiceRegionale)) {
        errore(log, kErroreCodiceRegionale);
        return true;
    }
    const std::string sContratto = utf16ToCp1252(oOrvapat.get_opzione(u"utente", u"contratto"));
    log.suLog("Contratto = " + sContratto);
    if (oOrvapat.orvellaChiuso())
        return true;

    // Read before the files move: the previous export is among those the period may repeat.
    const Periodo periodo { dallaData, allaData };
    const std::vector<EsportazionePrecedente> precedenti
        = esportazioniPrecedenti(unita.sDirOutput, unita.sDirStorico, periodo, platform::adesso());

    unita.sFileBilsalu = unita.sDirOutput + "BILSALU.DAT";
    if (!storicizza(log, unita.sFileBilsalu, unita.sDirStorico, PrecisioneTimbro::Minuto))
        return true;
    sFileXml = cartellaEstratto.percorso() + "zzz_xml.tmp";
    const std::pair<std::string UnitaFormMain::*, const char*> fileServizi[] = {
        { &UnitaFormMain::sFileAccessi, "ACCESSI.DAT" },
        { &UnitaFormMain::sFilePpip, "PPIP.DAT" },
        { &UnitaFormMain::sFileVaccini, "VACCINI.DAT" },
        { &UnitaFormMain::sFileSconosciuti, "trx_sconosciuti.txt" },
        { &UnitaFormMain::sFileRiepilogo, kFileRiepilogo },
    };
    for (const auto& [sFile, nome] : fileServizi) {
        unita.*sFile = unita.sDirOutput + nome;
        if (!storicizza(log, unita.*sFile, unita.sDirStorico, PrecisioneTimbro::Secondo))
            return true;
    }

    finestra.scriviLblLog(std::string("...Zezavazoza dati ppip in corso...") + kCrLf
        + "(Questa operazione pu\xF2 richiedere alcuni minuti)");
    const std::string sDallaData = date2string(dallaData);
    const std::string sAllaData = date2string(allaData);
    const std::string filtro = "dalla_data=" + sDallaData + "|alla_data=" + sAllaData;
    log.suLog("Filtro data -> dal " + sDallaData + " al " + sAllaData);

    // The run stops where the host went away: what is written stays, and the summary says what it lacks.
    const auto fermaTracciato = [&](const BilanciTralasciati& tralasciati) {
        for (const auto sFile : kFileTracciato)
            fileEsecuzione.chiudi(unita.*sFile);
        EsitoTracciato esito = riepilogoInterrotto(unita, sContratto,
            oOrvapat.chiamateNonRiusciteDa(nChiamateNonRiusciteAllInizio), tralasciati, unita.nPazienti);
        completaEsito(esito, avvisiTracciato(0, tralasciati, sContratto), unita, periodo, precedenti);
        // No claim report of an export cut short: it is not to be sent.
        finestra.mostraMemo1(esito.riepilogo());
        log.suLog("Procedura terminata: interrotta, Orvella si \xE8 chiuso");
        platform::mostraMessaggio(esito.messaggioFinale());
        return true;
    };
    const bool bEstrattoGenerato = oOrvapat.genera_xml(u"prestazioni_empoli", cp1252ToUtf16(filtro), sFileXml);
    if (oOrvapat.orvellaChiuso())
        return fermaTracciato({});
    if (!bEstrattoGenerato) {
        errore(log, conMotivo("ERRORE: Impossibile generare xml ppip.", oOrvapat));
        finestra.richiediUscita();
    }
    if (!platform::esiste(sFileXml)) {
        const std::string messaggio = "ERRORE: File estrazione xml ppip non trovato.";
        errore(log, messaggio);
        finestra.richiediUscita();
        // The host said it wrote the extract: going on would report an empty month that is not.
        if (bEstrattoGenerato) {
            finestra.mostraMemo1(messaggio);
            return true;
        }
    }
    if (log.debug()) {
        const std::string sCopia = percorsoCopiaDebug(unita.sDirOutput);
        elimina(sCopia);
        (void)platform::copiaFile(sFileXml, sCopia);
        log.suLog("Lista pipp salvata in " + sCopia);
    }

    unita.nRighe = 0;
    unita.nScartate = 0;
    unita.elencoDuplicati.svuota();
    const std::int32_t nNonRiusciteAllInizio = suFileNonRiuscite();

    DocumentoXml& oXmlDoc = *unita.oXmlDoc;
    const EsitoCaricamento esitoEstratto = oXmlDoc.load(sFileXml);
    // The host said it wrote the extract (and it is there): one it cannot be read from is no empty month.
    if (bEstrattoGenerato) {
        if (const std::string motivo = motivoEstrattoInutilizzabile(oXmlDoc, esitoEstratto); !motivo.empty()) {
            const std::string messaggio = "ERRORE: File estrazione xml ppip non utilizzabile: " + motivo + ".";
            errore(log, messaggio);
            finestra.mostraMemo1(messaggio);
            return true;
        }
    }

    auto progresso = [&finestra](const std::string& testo) { finestra.progresso(testo); };
    BilanciTralasciati tralasciati;
    if (sContratto == "PLS") {
        // Reloaded on every run, so that each walk starts from the first patient.
        const std::int32_t nChiamateNonRiusciteAlCarica = oOrvapat.chiamateNonRiuscite();
        const std::int32_t nPazientiAllAccesso = unita.nPazienti;
        unita.nPazienti = caricaPazientiMedico(oOrvapat);
        // A list loaded for a doctor id the host did not give is nobody's to walk.
        if (oOrvapat.chiamateNonRiuscite() != nChiamateNonRiusciteAlCarica)
            unita.nPazienti = 0;
        const ContestoBilanci bilanci { oOrvapat, unita.nPazienti, unita.sFileBilsalu, log, progresso };
        tralasciati = faiSingoloPaziente(bilanci, sDallaData, sAllaData, sCodiceRegionale);
        if (oOrvapat.orvellaChiuso()) {
            // Gone while the list was loaded: not one patient was read, of those seen at sign-in.
            if (tralasciati.fermoAlPaziente == 0) {
                tralasciati.fermoAlPaziente = 1;
                unita.nPazienti = nPazientiAllAccesso;
            }
            return fermaTracciato(tralasciati);
        }
    }

    ContestoClassificazione classificazione { oXmlDoc, tabella, log, unita.sFileAccessi, unita.sFilePpip,
        unita.sFileVaccini, unita.sFileSconosciuti, unita.nRighe, unita.nScartate, unita.elencoDuplicati,
        [&finestra] { return finestra.chkVacc(); }, Progresso(progresso) };
    classificaEstratto(classificazione, sCodiceRegionale, sContratto);
    concludiProgresso(classificazione);
    // The summary reads the export files back, and a failure to close one makes it incomplete.
    for (const auto sFile : kFileTracciato)
        fileEsecuzione.chiudi(unita.*sFile);

    // One outcome for the summary and the box, the run's warnings first in both.
    EsitoTracciato esito = riepilogoTracciato(
        unita, sContratto, suFileNonRiuscite() - nNonRiusciteAllInizio,
        [&fileEsecuzione](const std::string& sFile) { return fileEsecuzione.nonScritti(sFile); },
        oOrvapat.chiamateNonRiusciteDa(nChiamateNonRiusciteAllInizio));
    completaEsito(esito,
        avvisiTracciato(oOrvapat.chiamateNonRiuscite() - nChiamateNonRiusciteAllInizio, tralasciati, sContratto), unita,
        periodo, precedenti);
    // The claim report, for a run that wrote anything, shows the outcome as it stands now.
    const bool scritto = std::any_of(std::begin(kFileTracciato), std::end(kFileTracciato),
        [&unita](auto sFile) { return platform::esiste(unita.*sFile); });
    if (scritto && riepilogoAttivo()) {
        const ContenutoTracciato contenuto = leggiContenutoTracciato(unita, tabella, sContratto);
        esito.chiusura = scriviRiepilogo(
            { sCodiceRegionale, sContratto, periodo, platform::adesso(), esito, contenuto }, unita.sFileRiepilogo);
    }
    finestra.mostraMemo1(esito.riepilogo());
    elimina(sFileXml);
    log.suLog("Procedura terminata");
    platform::mostraMessaggio(esito.messaggioFinale());
    return true;
}
