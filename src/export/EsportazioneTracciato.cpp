#include "export/EsportazioneTracciato.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <unordered_set>
#include <utility>

#include "export/Classificazione.h"
#include "export/ControlloRecord.h"
#include "export/FileTracciato.h"
#include "export/Riepilogo.h"
#include "export/RiepilogoTracciato.h"
#include "host/AperturaSessione.h"
#include "platform/BloccoCartella.h"
#include "platform/Clock.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "storico/ConfrontoMesi.h"
#include "storico/EsportazioniPrecedenti.h"
#include "storico/MesiNonEsportati.h"
#include "storico/RegistroEsportazioni.h"
#include "storico/Storico.h"
#include "tools/Cp1252.h"
#include "tools/Versione.h"
#include "tools/tc_GenTools.h"

namespace {

void elimina(const std::string& sFile)
{
    (void)platform::eliminaFile(sFile);
}

// The folder, made with its parents when missing; false when it cannot be.
bool cartellaPronta(const std::string& sDir)
{
    return !platform::creaCartella(sDir);
}

// The message, and the host's own reason for its latest failure when it gave one.
std::string conMotivo(const std::string& messaggio, const Torvapat& oOrvapat)
{
    if (oOrvapat.ultimoErrore().empty())
        return messaggio;
    return messaggio + " Motivo: " + oOrvapat.ultimoErrore();
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

// How a run ends: whole, cut short where the host went away, or stopped by its own refusal,
// whose message the ending shows (and logs, once the folder can take the log).
struct Fine {
    enum class Tipo { Completa, OrvellaChiuso, Errore } tipo = Tipo::Completa;
    std::string messaggio;
    bool bLog = true;

    static Fine errore(std::string messaggio, bool bLog = true) { return { Tipo::Errore, std::move(messaggio), bLog }; }
};

// One "Crea Tracciato" run, as its steps. Each step may end the run with its reason; a host that
// went away at any call ends it wherever that was; concludi() ends every run.
class EsecuzioneTracciato {
public:
    EsecuzioneTracciato(UnitaFormMain& unita, const TabellaCodici& tabella, const RunLog& log, const Periodo& periodo,
        const std::string& sDirTemporanea, FinestraTracciato& finestra)
        : unita_(unita)
        , tabella_(tabella)
        , log_(log)
        , periodo_(periodo)
        , sDirTemporanea_(sDirTemporanea)
        , finestra_(finestra)
    {
        unita_.bEsportazioneInCorso = true;
        finestra_.cursoreOccupato();
    }
    ~EsecuzioneTracciato()
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
    EsecuzioneTracciato(const EsecuzioneTracciato&) = delete;
    EsecuzioneTracciato& operator=(const EsecuzioneTracciato&) = delete;

    Fine esegui();
    void concludi(const Fine& fine);

private:
    using Passo = std::optional<Fine> (EsecuzioneTracciato::*)();
    std::optional<Fine> cartellaEBlocco();
    std::optional<Fine> cartellaEstratto();
    std::optional<Fine> datiMedico();
    std::optional<Fine> spostaPrecedenti();
    std::optional<Fine> generaEstratto();
    std::optional<Fine> caricaEstratto();
    std::optional<Fine> bilanciDiSalute();
    std::optional<Fine> classificazione();

    bool orvellaChiuso() const { return unita_.oOrvapat && unita_.oOrvapat->orvellaChiuso(); }
    EsitoTracciato esito(const Fine& fine);
    Registrazione registra(EsitoRegistro esito, const ContenutoTracciato& contenuto, platform::LocalTime quando) const;

    UnitaFormMain& unita_;
    const TabellaCodici& tabella_;
    const RunLog& log_;
    const Periodo periodo_;
    const std::string& sDirTemporanea_;
    FinestraTracciato& finestra_;

    // Held from before the previous files move until the run's files are closed.
    std::optional<platform::BloccoCartella> blocco_;
    std::optional<FileEsecuzione> fileEsecuzione_;
    std::optional<AttesaTemporanea> attesa_;
    std::optional<platform::CartellaPrivata> cartellaEstratto_;
    std::string sFileXml_;

    std::int32_t nChiamateAllInizio_ = 0;
    std::int32_t nScrittureAllInizio_ = 0;
    std::string sCodiceRegionale_;
    std::optional<std::string> sContratto_; // once the host has given it
    std::vector<EsportazionePrecedente> precedenti_;
    bool bFileSpostati_ = false;
    bool bEstrattoGenerato_ = false;
    BilanciTralasciati tralasciati_;
};

Fine EsecuzioneTracciato::esegui()
{
    finestra_.nascondiMemo1();
    static constexpr Passo kPassi[] = { &EsecuzioneTracciato::cartellaEBlocco, &EsecuzioneTracciato::cartellaEstratto,
        &EsecuzioneTracciato::datiMedico, &EsecuzioneTracciato::spostaPrecedenti, &EsecuzioneTracciato::generaEstratto,
        &EsecuzioneTracciato::caricaEstratto, &EsecuzioneTracciato::bilanciDiSalute,
        &EsecuzioneTracciato::classificazione };
    for (const Passo passo : kPassi) {
        std::optional<Fine> fine = (this->*passo)();
        // Whatever the step made of a call to a gone host, the run stops where it went.
        if (orvellaChiuso())
            return { Fine::Tipo::OrvellaChiuso, {}, true };
        if (fine)
            return *std::move(fine);
    }
    return {};
}

std::optional<Fine> EsecuzioneTracciato::cartellaEBlocco()
{
    // A doctor may have removed the folder since the window opened: it is made again, as the
    // history folder is, before the run's log or files go into it. One that cannot be made
    // cannot hold the log either.
    if (unita_.sDirOutput.empty() || !cartellaPronta(unita_.sDirOutput))
        return Fine::errore("ERRORE: Cartella di output non disponibile, impossibile creare il tracciato.", false);
    // Two runs on one folder would each move the other's files and append to them: the second
    // writes nothing at all, its log included.
    blocco_.emplace(unita_.sDirOutput);
    if (!blocco_->preso())
        return Fine::errore("Un'altra esportazione \xE8 in corso nella cartella "
                + unita_.sDirOutput.substr(0, unita_.sDirOutput.size() - 1) + ": attendere che termini.",
            false);
    fileEsecuzione_.emplace();
    nScrittureAllInizio_ = suFileNonRiuscite();
    log_.suLog(std::string("ov_pipp versione ") + kVersione);
    log_.suLog("Inizio creazione tracciato...");
    // The run's files, named before anything is asked, so that any ending can name them.
    for (const FileTracciato& file : kFileTracciato)
        unita_.*file.sFile = unita_.sDirOutput + file.nome;
    // Main-window creation can stop before the document is made, and without a session there is
    // no host to ask: stop before any previous file is moved.
    if (!unita_.oXmlDoc)
        return Fine::errore("ERRORE: Documento XML non disponibile, impossibile creare il tracciato.");
    if (!unita_.oOrvapat)
        return Fine::errore("ERRORE: Sessione Orvella non disponibile, impossibile creare il tracciato.");
    return {};
}

std::optional<Fine> EsecuzioneTracciato::cartellaEstratto()
{
    // While the run lasts, a busy host is waited for in the run's window, and the run log notes each wait.
    attesa_.emplace(*unita_.oOrvapat,
        annotaAttesa([this](const std::string& riga) { log_.suLog(riga); },
            [this](const std::string& testo) { finestra_.attesaOrvella(testo); }));
    // A run killed or crashed left its extract, the patients' data, behind: gone before this one.
    platform::rimuoviCartellePrivateAbbandonate(sDirTemporanea_);
    // The extract goes into a folder of this run alone: the program's folder may be read-only,
    // and a file that another user left behind can never be taken for this doctor's extract.
    cartellaEstratto_.emplace(sDirTemporanea_);
    if (cartellaEstratto_->percorso().empty())
        return Fine::errore("ERRORE: Impossibile creare la cartella temporanea per l'estrazione xml ppip.");
    return {};
}

std::optional<Fine> EsecuzioneTracciato::datiMedico()
{
    Torvapat& oOrvapat = *unita_.oOrvapat;
    nChiamateAllInizio_ = oOrvapat.chiamateNonRiuscite();
    // Every record carries the regional code: without it nothing is moved and nothing extracted.
    const std::u16string codiceRegionale = oOrvapat.leggi_attributo(u"mmg\\codice_regionale");
    sCodiceRegionale_ = utf16ToCp1252(codiceRegionale);
    log_.suLog("Codice regionale = " + sCodiceRegionale_);
    if (oOrvapat.chiamateNonRiuscite() != nChiamateAllInizio_)
        return Fine::errore(
            conMotivo("ERRORE: Impossibile leggere da Orvella il codice regionale del medico.", oOrvapat));
    if (!codiceRegionaleValorizzato(codiceRegionale))
        return Fine::errore(kErroreCodiceRegionale);
    const std::string sContratto = utf16ToCp1252(oOrvapat.get_opzione(u"utente", u"contratto"));
    log_.suLog("Contratto = " + sContratto);
    // A host gone before it answered said nothing of the contract; one that failed to answer gave
    // the empty contract, which lets nothing through.
    if (!oOrvapat.orvellaChiuso())
        sContratto_ = sContratto;
    // A paediatrician's health checks are missing from the first patient until the walk says otherwise.
    if (sContratto_ == "PLS")
        tralasciati_.fermoAlPaziente = 1;
    return {};
}

std::optional<Fine> EsecuzioneTracciato::spostaPrecedenti()
{
    // Read before the files move: the previous export is among those the period may repeat.
    precedenti_ = esportazioniPrecedenti(unita_.sDirOutput, unita_.sDirStorico, periodo_, platform::adesso());
    std::vector<FileDaSpostare> file;
    for (const FileTracciato& tracciato : kFileTracciato)
        file.push_back({ unita_.*tracciato.sFile, tracciato.timbro });
    const Spostamento spostamento = spostaInStorico(file, unita_.sDirStorico);
    // New records appended to an old file, or an old export lost, would both be worse than stopping.
    if (spostamento.esito != EsitoSpostamento::Spostati)
        return Fine::errore(messaggioStorico(spostamento));
    bFileSpostati_ = true;
    return {};
}

std::optional<Fine> EsecuzioneTracciato::generaEstratto()
{
    finestra_.scriviLblLog(std::string("...Zezavazoza dati ppip in corso...") + kFineRiga
        + "(Questa operazione pu\xF2 richiedere alcuni minuti)");
    const std::string sDallaData = date2string(periodo_.dallaData);
    const std::string sAllaData = date2string(periodo_.allaData);
    log_.suLog("Filtro data -> dal " + sDallaData + " al " + sAllaData);
    sFileXml_ = cartellaEstratto_->percorso() + "zzz_xml.tmp";
    bEstrattoGenerato_ = unita_.oOrvapat->genera_xml(
        u"prestazioni_empoli", cp1252ToUtf16("dalla_data=" + sDallaData + "|alla_data=" + sAllaData), sFileXml_);
    return {};
}

std::optional<Fine> EsecuzioneTracciato::caricaEstratto()
{
    // The application ends once the run has returned: without an extract there is nothing to export.
    if (!bEstrattoGenerato_) {
        finestra_.richiediUscita();
        return Fine::errore(conMotivo("ERRORE: Impossibile generare xml ppip.", *unita_.oOrvapat));
    }
    // The host said it wrote the extract: going on would report an empty month that is not.
    if (!platform::esiste(sFileXml_)) {
        finestra_.richiediUscita();
        return Fine::errore("ERRORE: File estrazione xml ppip non trovato.");
    }
    if (log_.debug()) {
        const std::string sCopia = percorsoCopiaDebug(unita_.sDirOutput);
        elimina(sCopia);
        (void)platform::copiaFile(sFileXml_, sCopia);
        log_.suLog("Lista pipp salvata in " + sCopia);
    }
    unita_.nRighe = 0;
    unita_.nScartate = 0;
    unita_.elencoDuplicati.svuota();
    const EsitoCaricamento esitoEstratto = unita_.oXmlDoc->load(sFileXml_);
    // An extract that cannot be read is no empty month.
    if (const std::string motivo = motivoEstrattoInutilizzabile(*unita_.oXmlDoc, esitoEstratto); !motivo.empty())
        return Fine::errore("ERRORE: File estrazione xml ppip non utilizzabile: " + motivo + ".");
    return {};
}

std::optional<Fine> EsecuzioneTracciato::bilanciDiSalute()
{
    if (sContratto_ != "PLS")
        return {};
    Torvapat& oOrvapat = *unita_.oOrvapat;
    // Reloaded on every run, so that each walk starts from the first patient.
    const std::int32_t nChiamatePrima = oOrvapat.chiamateNonRiuscite();
    const std::int32_t nCaricati = caricaPazientiMedico(oOrvapat);
    // A list loaded for a doctor id the host did not give is nobody's to walk; one the host went
    // away in leaves the list of the sign-in to name.
    if (oOrvapat.orvellaChiuso())
        return {};
    unita_.nPazienti = oOrvapat.chiamateNonRiuscite() == nChiamatePrima ? nCaricati : 0;
    auto progresso = [this](const std::string& testo) { finestra_.progresso(testo); };
    const ContestoBilanci bilanci { oOrvapat, unita_.nPazienti, unita_.sFileBilsalu, log_, progresso };
    tralasciati_ = faiSingoloPaziente(
        bilanci, date2string(periodo_.dallaData), date2string(periodo_.allaData), sCodiceRegionale_);
    return {};
}

std::optional<Fine> EsecuzioneTracciato::classificazione()
{
    ContestoClassificazione classificazione { *unita_.oXmlDoc, tabella_, log_, unita_.sFileAccessi, unita_.sFilePpip,
        unita_.sFileVaccini, unita_.sFileSconosciuti, unita_.nRighe, unita_.nScartate, unita_.elencoDuplicati,
        [this] { return finestra_.chkVacc(); },
        Progresso([this](const std::string& testo) { finestra_.progresso(testo); }) };
    classificaEstratto(classificazione, sCodiceRegionale_, sContratto_.value_or(""));
    concludiProgresso(classificazione);
    return {};
}

void EsecuzioneTracciato::concludi(const Fine& fine)
{
    if (fine.tipo == Fine::Tipo::Errore) {
        // Once the previous files have moved, the period counts as not exported.
        const Registrazione registrazione
            = bFileSpostati_ ? registra(EsitoRegistro::NonCompletata, {}, platform::adesso()) : Registrazione {};
        const std::string box = fine.messaggio + (registrazione.breve.empty() ? "" : kFineRiga + registrazione.breve);
        platform::mostraMessaggio(box);
        if (fine.bLog)
            log_.suLog(fine.messaggio);
        finestra_.mostraMemo1(
            fine.messaggio + (registrazione.riga.empty() ? "" : kFineRiga + (kFineRiga + registrazione.riga)));
        return;
    }
    const EsitoTracciato esitoFinale = esito(fine);
    finestra_.mostraMemo1(esitoFinale.riepilogo());
    elimina(sFileXml_);
    log_.suLog(fine.tipo == Fine::Tipo::OrvellaChiuso ? "Procedura terminata: interrotta, Orvella si \xE8 chiuso"
                                                      : "Procedura terminata");
    platform::mostraMessaggio(esitoFinale.messaggioFinale(), {}, esitoFinale.gravitaFinale());
}

// The run's line in the register of exports, or waiting beside it.
Registrazione EsecuzioneTracciato::registra(
    EsitoRegistro esito, const ContenutoTracciato& contenuto, platform::LocalTime quando) const
{
    return registraEsportazione(unita_.sDirStorico,
        voceRegistro(quando, periodo_, sContratto_.value_or(""), sCodiceRegionale_, esito, contenuto));
}

// One outcome for the summary, the box and the claim report, the run's warnings first, from the
// files as the run leaves them, each read back once.
EsitoTracciato EsecuzioneTracciato::esito(const Fine& fine)
{
    const bool bInterrotta = fine.tipo == Fine::Tipo::OrvellaChiuso;
    for (const FileTracciato& file : kFileTracciato)
        if (file.bPerRiga)
            fileEsecuzione_->chiudi(unita_.*file.sFile);
    const Torvapat& oOrvapat = *unita_.oOrvapat;
    const std::string sContratto = sContratto_.value_or("");
    const Interruzione interruzione { bFileSpostati_, tralasciati_, unita_.nPazienti };
    EsitoTracciato esito = riepilogoTracciato(
        unita_, sContratto, suFileNonRiuscite() - nScrittureAllInizio_,
        [this](const std::string& sFile) { return fileEsecuzione_->nonScritti(sFile); },
        oOrvapat.chiamateNonRiusciteDa(nChiamateAllInizio_), bInterrotta ? &interruzione : nullptr);
    // The host's and the health checks' warnings first, then the outcome's own, those of the
    // files read back and the period exported before.
    std::vector<AvvisoTracciato> avvisi = avvisiTracciato(
        bInterrotta ? 0 : oOrvapat.chiamateNonRiuscite() - nChiamateAllInizio_, tralasciati_, sContratto_);
    std::move(esito.avvisi.begin(), esito.avvisi.end(), std::back_inserter(avvisi));
    // Until the previous files have moved, those in the folder are not the run's.
    const ContenutoTracciato contenuto
        = bFileSpostati_ ? leggiContenutoTracciato(unita_, tabella_, sContratto, periodo_) : ContenutoTracciato {};
    ControlloTracciato controllo = controllaTracciato(contenuto);
    std::move(controllo.avvisi.begin(), controllo.avvisi.end(), std::back_inserter(avvisi));
    if (AvvisoTracciato ripetuto = avvisoEsportazioniPrecedenti(precedenti_, periodo_); !ripetuto.testo.empty())
        avvisi.push_back(std::move(ripetuto));
    const platform::LocalTime quando = platform::adesso();
    if (AvvisoTracciato futuri = avvisoGiorniNonCompresi(periodo_, quando); !bInterrotta && !futuri.testo.empty())
        avvisi.push_back(std::move(futuri));
    esito.avvisi = std::move(avvisi);
    esito.conteggi = std::move(controllo.conteggi);
    // A complete run against the months before, as the register holds them before this run's line.
    const ConfrontoMesi confronto = bFileSpostati_ && esito.primaRiga == kOperazioneCompletata
        ? confrontaMesi(leggiRegistro(unita_.sDirStorico), sCodiceRegionale_, periodo_, contenuto)
        : ConfrontoMesi {};
    aggiungiConfronto(esito, confronto);
    // Every run that moved the previous files is in the register; the months it leaves without an
    // export head the summary, this run's own counted.
    Registrazione registrazione;
    if (bFileSpostati_) {
        registrazione = registra(esitoRegistro(bInterrotta, esito.primaRiga, contenuto), contenuto, quando);
        if (AvvisoTracciato mesi = avvisoMesiNonEsportati(unita_.sDirStorico, sCodiceRegionale_, quando);
            !mesi.testo.empty())
            esito.avvisi.insert(esito.avvisi.begin(), std::move(mesi));
    }
    // The claim report, of a whole run that wrote anything; one cut short is not to be sent.
    const bool scritto = std::any_of(std::begin(kFileTracciato), std::end(kFileTracciato),
        [this](const FileTracciato& file) { return file.bPerRiga && platform::esiste(unita_.*file.sFile); });
    if (!bInterrotta && bFileSpostati_ && scritto && riepilogoAttivo())
        scriviRiepilogo({ sCodiceRegionale_, sContratto, periodo_, quando, esito, contenuto, confronto },
            unita_.sFileRiepilogo, esito);
    if (!registrazione.riga.empty()) {
        esito.chiusura += (esito.chiusura.empty() ? "" : kFineRiga) + registrazione.riga;
        esito.chiusuraBreve += (esito.chiusuraBreve.empty() ? "" : kFineRiga) + registrazione.breve;
    }
    return esito;
}

} // namespace

std::string percorsoCopiaDebug(const std::string& sDirOutput)
{
    return platform::percorsoCopiaEstratto(sDirOutput);
}

bool creaTracciato(UnitaFormMain& unita, const TabellaCodici& tabella, const RunLog& log,
    std::chrono::year_month_day dallaData, std::chrono::year_month_day allaData, const std::string& sDirTemporanea,
    FinestraTracciato& finestra)
{
    // Progress lets window events run, a second press among them.
    if (unita.bEsportazioneInCorso)
        return false;
    EsecuzioneTracciato esecuzione(unita, tabella, log, { dallaData, allaData }, sDirTemporanea, finestra);
    esecuzione.concludi(esecuzione.esegui());
    return true;
}
