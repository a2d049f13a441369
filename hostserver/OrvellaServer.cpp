#include "hostserver/OrvellaServer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "host/GuastoHost.h"
#include "hostserver/ErroreChiamata.h"
#include "hostserver/EstrattoPrestazioni.h"
#include "hostserver/ListaParametri.h"
#include "platform/FileSistema.h"
#include "platform/Paths.h"
#include "tools/Cp1252.h"

namespace hostserver {
namespace {

constexpr std::string_view kSqlUtente = "SELECT userid_utente, tipo_orva, codice_regionale, contratto FROM utenti "
                                        "WHERE nome_utente = ?1 AND password = ?2";

constexpr std::string_view kSqlPazientiAlfabetici = R"sql(
SELECT io_id_paziente, cognome, nome, codice_fiscale FROM pazienti
WHERE (?1 IS NULL OR codice_medico = ?1) AND (?2 IS NULL OR tipo_di_convenzione = ?2)
ORDER BY cognome, nome, io_id_paziente
)sql";

constexpr std::string_view kSqlPazientiInArchivio = R"sql(
SELECT io_id_paziente, cognome, nome, codice_fiscale FROM pazienti
WHERE (?1 IS NULL OR codice_medico = ?1) AND (?2 IS NULL OR tipo_di_convenzione = ?2)
ORDER BY rowid
)sql";

// The fault table's columns as each version of the practice has them, the newest first.
constexpr std::string_view kColonneGuasto[] = {
    "SELECT rowid, errore, risposta, occupato_secondi, chiuso_dopo, filtro",
    // Written before the message filter's answers.
    "SELECT rowid, errore, risposta, occupato_secondi, chiuso_dopo, NULL",
    // Written before the busy and gone faults.
    "SELECT rowid, errore, risposta, NULL, NULL, NULL",
};
constexpr std::string_view kSqlRigaGuasto
    = " FROM guasti WHERE metodo = ?1 AND (argomento IS NULL OR argomento = ?2) ORDER BY rowid LIMIT 1";

constexpr char16_t kCredenzialiErrate[] = u"Nome utente o password errati.";

// An argument as UTF-8 text: empty and null give the empty text, as they do for the host.
std::string testo(const host::Arguments& argomenti, std::size_t indice)
{
    if (indice >= argomenti.size())
        return {};
    const host::Variant& valore = argomenti[indice];
    if (const auto* parole = std::get_if<std::u16string>(&valore))
        return utf16ToUtf8(*parole);
    if (const auto* numero = std::get_if<std::int32_t>(&valore))
        return std::to_string(*numero);
    if (const auto* booleano = std::get_if<bool>(&valore))
        return *booleano ? "True" : "False";
    return {};
}

host::Variant risposta(std::string_view testoUtf8)
{
    return utf8ToUtf16(testoUtf8);
}

// SQLite's own words; a practice held by another program is worth a sentence that names it.
std::string messaggioSqlite(const ErroreSqlite& errore, const std::string& percorsoDb)
{
    if (!errore.occupato())
        return errore.what();
    return "L'archivio della pratica \"" + percorsoDb + "\" \xC3\xA8 occupato da un altro programma (" + errore.what()
        + ").";
}

} // namespace

// clang-format off
ServerOrvella::ServerOrvella(const std::string& percorsoDb, std::chrono::milliseconds attesaOccupato) try
    : percorsoDb_(percorsoDb)
    , db_(percorsoDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, attesaOccupato)
    , cercaUtente_(db_.get(), kSqlUtente)
    , pazientiAlfabetici_(db_.get(), kSqlPazientiAlfabetici)
    , pazientiInArchivio_(db_.get(), kSqlPazientiInArchivio)
    , accertamenti_(db_.get())
{
    // A practice written by an outside tool may leave the fault table out.
    for (std::size_t versione = 0; !cercaGuasto_ && db_.haTabella("guasti"); ++versione) {
        try {
            cercaGuasto_.emplace(db_.get(), std::string(kColonneGuasto[versione]) + std::string(kSqlRigaGuasto));
        } catch (const ErroreSqlite&) {
            if (versione + 1 == std::size(kColonneGuasto))
                throw;
        }
    }
    // The services are read later on; a practice without them fails now, not mid-session.
    IstruzioneSqlite verificaTabelle(db_.get(), "SELECT 1 FROM prestazioni_incentivanti LIMIT 0");
} catch (const ErroreSqlite& errore) {
    throw host::AutomationError(utf8ToUtf16("Impossibile aprire l'archivio della pratica \"" + percorsoDb
        + "\": " + errore.what() + ". L'archivio si indica con la variabile d'ambiente ORVELLA_SERVER_DB"
        + " (senza, ambulatorio.sqlite accanto al programma); genera_demo ne crea uno dimostrativo."));
}
// clang-format on

std::string ServerOrvella::percorsoDbPredefinito()
{
    if (const char* variabile = std::getenv("ORVELLA_SERVER_DB"); variabile && *variabile)
        return variabile;
    return platform::percorsoUtf8(platform::percorsoNativo(platform::cartellaProgramma() + "ambulatorio.sqlite"));
}

const ServerOrvella::Metodo* ServerOrvella::trovaMetodo(std::string_view nome, bool ignoraMaiuscole)
{
    static constexpr std::array<Metodo, 14> kMetodi = { {
        { "new", 0, 0, &ServerOrvella::nuovo },
        { "connetti", 2, 2, &ServerOrvella::connetti },
        { "leggi_attributo", 1, 1, &ServerOrvella::leggiAttributo },
        { "carica", 2, 2, &ServerOrvella::carica },
        { "skip", 0, 1, &ServerOrvella::skip },
        { "genera_xml", 3, 3, &ServerOrvella::generaXml },
        { "get_opzione", 2, 2, &ServerOrvella::getOpzione },
        { "new_object", 2, 2, &ServerOrvella::newObject },
        { "call_method_pipe", 3, 3, &ServerOrvella::callMethodPipe },
        { "destroy_object", 1, 1, &ServerOrvella::destroyObject },
        { "get_error", 0, 1, &ServerOrvella::getError },
        { "disconnetti", 0, 1, &ServerOrvella::fine },
        { "Destroy", 0, 1, &ServerOrvella::fine },
        { "Free", 0, 1, &ServerOrvella::fine },
    } };
    const auto uguali = [ignoraMaiuscole](unsigned char a, unsigned char b) {
        return a == b || (ignoraMaiuscole && std::tolower(a) == std::tolower(b));
    };
    for (const Metodo& metodo : kMetodi) {
        if (std::equal(metodo.nome.begin(), metodo.nome.end(), nome.begin(), nome.end(), uguali))
            return &metodo;
    }
    return nullptr;
}

std::string_view ServerOrvella::nomeMetodo(std::string_view nome)
{
    const Metodo* metodo = trovaMetodo(nome, true);
    return metodo ? metodo->nome : std::string_view();
}

host::Variant ServerOrvella::invoke(std::string_view nomeMetodo, const host::Arguments& argomenti)
{
    try {
        const Metodo* metodo = trovaMetodo(nomeMetodo);
        if (!metodo)
            falliChiamata("Metodo sconosciuto: " + std::string(nomeMetodo));
        if (argomenti.size() < metodo->minimoArgomenti || argomenti.size() > metodo->massimoArgomenti)
            falliChiamata("Numero di parametri errato per " + std::string(nomeMetodo));
        const std::optional<Guasto> guasto = cercaGuasto(metodo->nome, argomenti);
        occupatoOChiuso(guasto);
        if (guasto && guasto->errore)
            falliChiamata(*guasto->errore);
        host::Variant esito = (this->*metodo->gestore)(argomenti);
        if (!guasto || guasto->occupatoSecondi || guasto->chiusoDopo)
            return esito;
        if (guasto->risposta)
            return risposta(*guasto->risposta);
        // A row with neither text scripts the null answer that a session cannot convert.
        return host::Null {};
    } catch (const host::AutomationError& errore) {
        ultimoErrore_ = errore.messaggio();
        throw;
    } catch (const ErroreSqlite& errore) {
        ultimoErrore_ = utf8ToUtf16(messaggioSqlite(errore, percorsoDb_));
        throw host::AutomationError(ultimoErrore_);
    } catch (const std::exception& errore) {
        ultimoErrore_ = utf8ToUtf16(errore.what());
        throw host::AutomationError(ultimoErrore_);
    }
}

std::optional<ServerOrvella::Guasto> ServerOrvella::cercaGuasto(
    std::string_view metodo, const host::Arguments& argomenti)
{
    if (!cercaGuasto_)
        return std::nullopt;
    UsoIstruzione uso(*cercaGuasto_);
    // A pipe call is named by its pipe method and matched on its parameter list.
    if (metodo == "call_method_pipe") {
        cercaGuasto_->lega(1, "call_method_pipe:" + testo(argomenti, 1));
        cercaGuasto_->lega(2, testo(argomenti, 2));
    } else {
        cercaGuasto_->lega(1, metodo);
        cercaGuasto_->lega(2, testo(argomenti, 0));
    }
    if (!cercaGuasto_->passo())
        return std::nullopt;
    Guasto guasto;
    guasto.riga = cercaGuasto_->intero(0);
    if (!cercaGuasto_->nullo(1))
        guasto.errore = std::string(cercaGuasto_->testo(1));
    if (!cercaGuasto_->nullo(2))
        guasto.risposta = std::string(cercaGuasto_->testo(2));
    if (!cercaGuasto_->nullo(3))
        guasto.occupatoSecondi = cercaGuasto_->intero(3);
    if (!cercaGuasto_->nullo(4))
        guasto.chiusoDopo = cercaGuasto_->intero(4);
    if (!cercaGuasto_->nullo(5)) {
        const std::string_view filtro = cercaGuasto_->testo(5);
        if (filtro == "RETRYLATER")
            guasto.rispostaFiltro = RispostaFiltro::RitentaPiuTardi;
        else if (filtro == "REJECTED")
            guasto.rispostaFiltro = RispostaFiltro::Rifiutata;
        else
            falliChiamata("Risposta del filtro sconosciuta: " + std::string(filtro));
    }
    return guasto;
}

void ServerOrvella::annunciaChiamata(std::string_view metodo)
{
    if (!rifiutoDalFiltro_)
        return;
    // Only a row that names the method alone: the arguments come with the call itself.
    const std::optional<Guasto> guasto = cercaGuasto(metodo, {});
    if (!guasto || !guasto->occupatoSecondi || !guasto->rispostaFiltro)
        return;
    // The first call to meet the row; counted here, the call itself no longer refuses.
    if (chiamateDellaRiga_[guasto->riga]++ == 0)
        rifiutoDalFiltro_(std::chrono::seconds(*guasto->occupatoSecondi), *guasto->rispostaFiltro);
}

void ServerOrvella::occupatoOChiuso(const std::optional<Guasto>& guasto)
{
    const auto chiuso = [this] {
        chiuso_ = true;
        throw host::AutomationError(u"Il server RPC non \u00E8 disponibile.", host::kServerNonDisponibile);
    };
    if (chiuso_)
        chiuso();
    const platform::Istante adesso = platform::adessoMonotono();
    if (occupatoFino_ && adesso < *occupatoFino_)
        throw host::AutomationError(u"Orvella.Server \u00E8 occupato.", host::kServerOccupato);
    if (!guasto)
        return;
    const std::int64_t chiamate = ++chiamateDellaRiga_[guasto->riga];
    if (guasto->chiusoDopo && chiamate > *guasto->chiusoDopo)
        chiuso();
    if (guasto->occupatoSecondi && chiamate == 1) {
        occupatoFino_ = adesso + std::chrono::seconds(*guasto->occupatoSecondi);
        throw host::AutomationError(u"Orvella.Server \u00E8 occupato.", host::kServerOccupato);
    }
}

const ServerOrvella::Utente& ServerOrvella::utenteConnesso() const
{
    if (!utente_)
        falliChiamata("Nessun utente connesso.");
    return *utente_;
}

const ServerOrvella::Paziente* ServerOrvella::pazienteCorrente() const
{
    return pazienteCorrente_ < pazienti_.size() ? &pazienti_[pazienteCorrente_] : nullptr;
}

void ServerOrvella::chiudiSessione()
{
    utente_.reset();
    pazienti_.clear();
    pazienteCorrente_ = 0;
    oggetti_.clear();
}

host::Variant ServerOrvella::nuovo(const host::Arguments&)
{
    chiudiSessione();
    return {};
}

host::Variant ServerOrvella::connetti(const host::Arguments& argomenti)
{
    chiudiSessione();
    UsoIstruzione uso(cercaUtente_);
    cercaUtente_.lega(1, testo(argomenti, 0));
    cercaUtente_.lega(2, testo(argomenti, 1));
    if (!cercaUtente_.passo())
        return std::u16string(kCredenzialiErrate);
    utente_ = Utente { std::string(cercaUtente_.testo(0)), std::string(cercaUtente_.testo(1)),
        std::string(cercaUtente_.testo(2)), std::string(cercaUtente_.testo(3)) };
    return std::u16string();
}

host::Variant ServerOrvella::leggiAttributo(const host::Arguments& argomenti)
{
    const Utente& utente = utenteConnesso();
    const std::string nome = testo(argomenti, 0);
    if (nome == "userid_utente")
        return risposta(utente.userid);
    if (nome == "mmg\\tipo_orva")
        return risposta(utente.tipoOrva);
    if (nome == "mmg\\codice_regionale")
        return risposta(utente.codiceRegionale);
    const Paziente* paziente = pazienteCorrente();
    if (nome == "codice_fiscale")
        return risposta(paziente ? paziente->codiceFiscale : "");
    if (nome == "io_id_paziente")
        return risposta(paziente ? paziente->id : "");
    if (nome == "cognome")
        return risposta(paziente ? paziente->cognome : "");
    if (nome == "nome")
        return risposta(paziente ? paziente->nome : "");
    falliChiamata("Attributo sconosciuto: " + nome);
}

host::Variant ServerOrvella::carica(const host::Arguments& argomenti)
{
    utenteConnesso();
    std::optional<std::string> codiceMedico;
    std::optional<std::string> convenzione;
    for (const Parametro& parametro : leggiListaParametri(testo(argomenti, 0))) {
        if (parametro.chiave == "codice_medico")
            codiceMedico = parametro.valore.value_or("");
        else if (parametro.chiave == "tipo_di_convenzione")
            convenzione = parametro.valore.value_or("");
        else
            falliChiamata("Parametro sconosciuto per carica: " + parametro.chiave);
    }
    const std::string ordine = testo(argomenti, 1);
    if (ordine != "alfabetico" && !ordine.empty())
        falliChiamata("Ordinamento sconosciuto: " + ordine);

    IstruzioneSqlite& elenco = ordine.empty() ? pazientiInArchivio_ : pazientiAlfabetici_;
    UsoIstruzione uso(elenco);
    elenco.legaFacoltativo(1, codiceMedico);
    elenco.legaFacoltativo(2, convenzione);
    std::vector<Paziente> pazienti;
    while (elenco.passo()) {
        pazienti.push_back({ std::string(elenco.testo(0)), std::string(elenco.testo(1)), std::string(elenco.testo(2)),
            std::string(elenco.testo(3)) });
    }
    pazienti_ = std::move(pazienti);
    pazienteCorrente_ = 0;
    return static_cast<std::int32_t>(pazienti_.size());
}

host::Variant ServerOrvella::skip(const host::Arguments&)
{
    utenteConnesso();
    if (pazienteCorrente_ < pazienti_.size())
        ++pazienteCorrente_;
    return {};
}

host::Variant ServerOrvella::generaXml(const host::Arguments& argomenti)
{
    const Utente& utente = utenteConnesso();
    const std::string procedura = testo(argomenti, 0);
    if (procedura != "prestazioni_empoli")
        falliChiamata("Procedura sconosciuta: " + procedura);
    FiltroEstratto filtro { utente.userid, std::nullopt, std::nullopt };
    for (const Parametro& parametro : leggiListaParametri(testo(argomenti, 1))) {
        if (parametro.chiave == "dalla_data")
            filtro.dallaData = valoreData(parametro);
        else if (parametro.chiave == "alla_data")
            filtro.allaData = valoreData(parametro);
        else
            falliChiamata("Parametro sconosciuto per genera_xml: " + parametro.chiave);
    }
    const std::filesystem::path destinazione = platform::percorsoDaUtf8(testo(argomenti, 2));
    if (destinazione.empty())
        falliChiamata("Percorso del file xml mancante.");

    // A canned extract stands in for the database's, for tests.
    if (const char* estrattoPronto = std::getenv("ORVELLA_SERVER_XML"); estrattoPronto && *estrattoPronto) {
        std::error_code errore;
        // Removed first: the MinGW runtime's copy_file refuses an existing target whatever the options.
        std::filesystem::remove(destinazione, errore);
        std::filesystem::copy_file(platform::percorsoDaUtf8(estrattoPronto), destinazione,
            std::filesystem::copy_options::overwrite_existing, errore);
        if (errore)
            falliChiamata("Impossibile copiare " + std::string(estrattoPronto) + " in " + testo(argomenti, 2) + ": "
                + errore.message());
        return {};
    }
    scriviEstrattoPrestazioni(db_.get(), filtro, destinazione);
    return {};
}

host::Variant ServerOrvella::getOpzione(const host::Arguments& argomenti)
{
    const Utente& utente = utenteConnesso();
    const std::string sezione = testo(argomenti, 0);
    const std::string opzione = testo(argomenti, 1);
    if (sezione == "utente" && opzione == "contratto")
        return risposta(utente.contratto);
    falliChiamata("Opzione sconosciuta: " + sezione + "\\" + opzione);
}

host::Variant ServerOrvella::newObject(const host::Arguments& argomenti)
{
    utenteConnesso();
    const std::string classe = testo(argomenti, 0);
    if (classe != "i_accertamento")
        falliChiamata("Classe sconosciuta: " + classe);
    const Paziente* paziente = pazienteCorrente();
    std::string handle = std::to_string(prossimoOggetto_++);
    oggetti_.try_emplace(handle, accertamenti_, paziente ? std::optional(paziente->id) : std::nullopt);
    return risposta(handle);
}

host::Variant ServerOrvella::callMethodPipe(const host::Arguments& argomenti)
{
    const std::string handle = testo(argomenti, 0);
    const auto oggetto = oggetti_.find(handle);
    if (oggetto == oggetti_.end())
        falliChiamata("Oggetto inesistente: " + handle);
    return risposta(oggetto->second.chiama(testo(argomenti, 1), testo(argomenti, 2)));
}

host::Variant ServerOrvella::destroyObject(const host::Arguments& argomenti)
{
    // Releasing what does not exist (the handle of a failed creation) is harmless.
    oggetti_.erase(testo(argomenti, 0));
    return {};
}

host::Variant ServerOrvella::getError(const host::Arguments&)
{
    return ultimoErrore_;
}

host::Variant ServerOrvella::fine(const host::Arguments&)
{
    chiudiSessione();
    return {};
}

} // namespace hostserver

void registraServerOrvella(std::chrono::milliseconds attesaOccupato)
{
    host::registerAutomationClass(
        hostserver::ServerOrvella::kIdentificatore, [attesaOccupato]() -> std::unique_ptr<host::AutomationObject> {
            try {
                return std::make_unique<hostserver::ServerOrvella>(
                    hostserver::ServerOrvella::percorsoDbPredefinito(), attesaOccupato);
            } catch (const host::AutomationError& errore) {
                // The session's box says only that the server failed to start; the terminal says why.
                std::cerr << "Orvella.Server: " << utf16ToUtf8(errore.messaggio()) << std::endl;
                throw;
            }
        });
}
