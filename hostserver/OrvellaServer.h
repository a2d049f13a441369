#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/Automation.h"
#include "hostserver/ArchivioAccertamenti.h"
#include "hostserver/OggettoAccertamento.h"
#include "hostserver/Sqlite.h"
#include "platform/Clock.h"

namespace hostserver {

// The stand-in for the clinical-records application's automation server: it answers the
// host calls from a practice database in the fixed schema, opened read-only. Before answering,
// every call consults the table guasti, whose rows script failures and odd answers for tests, and
// a host that is busy for a while (its calls refused as a busy server's are) or that goes away.
class ServerOrvella : public host::AutomationObject {
public:
    // The registry identifier.
    static constexpr const char* kIdentificatore = "Orvella.Server";

    // How long a call waits for another program's write lock on the practice before it fails.
    static constexpr std::chrono::milliseconds kAttesaOccupato = std::chrono::seconds(5);

    // Opens the database (a UTF-8 path); a missing or unreadable file, or one without the
    // schema's tables, throws host::AutomationError.
    explicit ServerOrvella(const std::string& percorsoDb, std::chrono::milliseconds attesaOccupato = kAttesaOccupato);

    // ORVELLA_SERVER_DB when set, else ambulatorio.sqlite beside the program file (UTF-8).
    static std::string percorsoDbPredefinito();

    host::Variant invoke(std::string_view metodo, const host::Arguments& argomenti) override;

    // The method's name as the server spells it, found without regard to case as automation
    // finds members; empty for a name the server does not have.
    static std::string_view nomeMetodo(std::string_view nome);

    // How a program that serves in a process of its own refuses calls while it is busy, as a
    // desktop program with a dialog open does: its message filter answers every incoming call, from
    // now for that long, with SERVERCALL_RETRYLATER or SERVERCALL_REJECTED.
    enum class RispostaFiltro { RitentaPiuTardi, Rifiutata };
    using RifiutoDalFiltro = std::function<void(std::chrono::milliseconds durata, RispostaFiltro risposta)>;
    // Given by such a program: a busy row that names an answer of the filter is then met when the
    // client asks for the method by name (annunciaChiamata), before the call, which the filter
    // refuses with the others. Without it, or for a row that names no answer, the server itself
    // refuses each call with the busy code.
    void rifiutaDalFiltro(RifiutoDalFiltro rifiuto) { rifiutoDalFiltro_ = std::move(rifiuto); }
    // The client is about to call the method (named as the server spells it).
    void annunciaChiamata(std::string_view metodo);

private:
    using Gestore = host::Variant (ServerOrvella::*)(const host::Arguments&);
    struct Metodo {
        std::string_view nome;
        std::size_t minimoArgomenti;
        std::size_t massimoArgomenti;
        Gestore gestore;
    };
    struct Guasto {
        std::int64_t riga = 0;
        std::optional<std::string> errore;
        std::optional<std::string> risposta;
        std::optional<std::int64_t> occupatoSecondi;
        std::optional<std::int64_t> chiusoDopo;
        std::optional<RispostaFiltro> rispostaFiltro;
    };
    struct Utente {
        std::string userid;
        std::string tipoOrva;
        std::string codiceRegionale;
        std::string contratto;
    };
    struct Paziente {
        std::string id;
        std::string cognome;
        std::string nome;
        std::string codiceFiscale;
    };

    static const Metodo* trovaMetodo(std::string_view nome, bool ignoraMaiuscole = false);
    std::optional<Guasto> cercaGuasto(std::string_view metodo, const host::Arguments& argomenti);
    // Refuses the call while the server is busy or gone, and makes it so as the row says.
    void occupatoOChiuso(const std::optional<Guasto>& guasto);
    const Utente& utenteConnesso() const;
    const Paziente* pazienteCorrente() const;
    void chiudiSessione();

    host::Variant nuovo(const host::Arguments&);
    host::Variant connetti(const host::Arguments&);
    host::Variant leggiAttributo(const host::Arguments&);
    host::Variant carica(const host::Arguments&);
    host::Variant skip(const host::Arguments&);
    host::Variant generaXml(const host::Arguments&);
    host::Variant getOpzione(const host::Arguments&);
    host::Variant newObject(const host::Arguments&);
    host::Variant callMethodPipe(const host::Arguments&);
    host::Variant destroyObject(const host::Arguments&);
    host::Variant getError(const host::Arguments&);
    host::Variant fine(const host::Arguments&);

    std::string percorsoDb_;
    DatabaseSqlite db_;
    IstruzioneSqlite cercaUtente_;
    IstruzioneSqlite pazientiAlfabetici_;
    IstruzioneSqlite pazientiInArchivio_;
    std::optional<IstruzioneSqlite> cercaGuasto_;
    ArchivioAccertamenti accertamenti_;

    std::optional<Utente> utente_;
    std::vector<Paziente> pazienti_;
    std::size_t pazienteCorrente_ = 0;
    std::map<std::string, OggettoAccertamento, std::less<>> oggetti_;
    unsigned long prossimoOggetto_ = 1;
    std::u16string ultimoErrore_;
    // Until when the server refuses every call as busy; each busy row does so once.
    std::optional<platform::Istante> occupatoFino_;
    std::map<std::int64_t, std::int64_t> chiamateDellaRiga_;
    bool chiuso_ = false;
    RifiutoDalFiltro rifiutoDalFiltro_;
};

} // namespace hostserver

// Registers ServerOrvella under "Orvella.Server"; each creation opens the database named by
// ServerOrvella::percorsoDbPredefinito() at that moment.
void registraServerOrvella(std::chrono::milliseconds attesaOccupato = hostserver::ServerOrvella::kAttesaOccupato);
